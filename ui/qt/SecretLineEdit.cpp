#include "ui/qt/SecretLineEdit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

// QLineEdit's margins around its text, so both kinds of field look alike.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Text a key or an input method delivers, if every character of it can be
// typed into the field.
bool IsPrintable(const QString& text) {
    if (text.isEmpty())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (!QChar::isPrint(c))
            return false;
    }
    return true;
}

// A QString of what the user typed, as UTF-8 in our own buffer; the
// conversion's own copy is wiped.
void ToSecret(const QString& text, SecretString& out) {
    QByteArray bytes = text.toUtf8();
    out.assign(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    bytes.fill('\0');
}

// What assistive technology is told of the field: an editable password
// field, whose value it is never given.
class SecretAccessible : public QAccessibleWidget {
  public:
    explicit SecretAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::EditableText) {}
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.passwordEdit = true;
        return state;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? QString() : QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* SecretAccessibleFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("SecretLineEdit") && object->isWidgetType())
        return new SecretAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

QString MenuText(const QString& text, QKeySequence::StandardKey key) {
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    return shortcut.isEmpty() ? text : text + u'\t' + shortcut;
}

} // namespace

// --- Bytes ---

void SecretLineEdit::Bytes::Insert(std::size_t at, std::string_view text) {
    // Growing moves the bytes to a new block; the allocator wipes the old one.
    data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(at), text.begin(), text.end());
}

void SecretLineEdit::Bytes::Erase(std::size_t at, std::size_t count) {
    // The erased bytes go to the end and are wiped there: erasing in place
    // would leave the old last bytes behind the new end.
    const auto first = data_.begin() + static_cast<std::ptrdiff_t>(at);
    std::rotate(first, first + static_cast<std::ptrdiff_t>(count), data_.end());
    SecureWipe(data_.data() + data_.size() - count, count);
    data_.resize(data_.size() - count);
}

// --- SecretLineEdit ---

SecretLineEdit::SecretLineEdit(QWidget* parent) : QWidget(parent) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(SecretAccessibleFactory), true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed, QSizePolicy::LineEdit));
    // Input methods stay on, so dead keys and compose sequences work, but
    // are told the text is hidden; they are never shown any of it.
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
}

SecretLineEdit::~SecretLineEdit() = default;

void SecretLineEdit::Read(SecretString& out) const {
    out.assign(text_.View());
}

void SecretLineEdit::SetText(std::string_view text) {
    text_.Clear();
    text_.Insert(0, text);
    undo_.removed.Clear();
    undo_ = UndoStep{};
    run_ = Run::None;
    modified_ = false;
    cursor_ = anchor_ = text_.size();
    scroll_ = 0;
    EnsureCursorVisible();
    update();
}

int SecretLineEdit::Length() const {
    return CharIndex(text_.size());
}

void SecretLineEdit::Paste() {
    if (!pasteSource_)
        return;
    SecretString clip;
    if (!pasteSource_(clip))
        return;
    // The first line, as a single-line edit control pastes it; an empty one
    // still replaces the selection.
    const std::string_view text = clip.view();
    InsertText(text.substr(0, text.find_first_of("\r\n")), Run::None);
}

void SecretLineEdit::SetMenuHooks(std::function<void(QMenu&)> add,
                                  std::function<void(unsigned)> chosen) {
    addMenu_ = std::move(add);
    menuChosen_ = std::move(chosen);
}

void SecretLineEdit::SelectAll() {
    anchor_ = 0;
    cursor_ = text_.size();
    run_ = Run::None;
    EnsureCursorVisible();
    update();
}

int SecretLineEdit::CursorPosition() const {
    return CharIndex(cursor_);
}

void SecretLineEdit::Undo() {
    if (!undo_.valid)
        return;
    Bytes taken;
    taken.Insert(0, text_.View().substr(undo_.at, undo_.inserted));
    text_.Erase(undo_.at, undo_.inserted);
    text_.Insert(undo_.at, undo_.removed.View());
    // The step now undoes the undo.
    undo_.inserted = undo_.removed.size();
    undo_.removed.Swap(taken);
    cursor_ = anchor_ = undo_.at + undo_.inserted;
    run_ = Run::None;
    modified_ = true;
    EnsureCursorVisible();
    RestartBlink();
    update();
}

void SecretLineEdit::SetFrame(bool frame) {
    frame_ = frame;
    update();
}

void SecretLineEdit::Replace(std::size_t from, std::size_t to, std::string_view text, Run run) {
    if (from == to && text.empty())
        return;
    const std::string_view removed = text_.View().substr(from, to - from);
    const bool sameRun = undo_.valid && run != Run::None && run == run_;
    if (sameRun && run == Run::Typing && from == to && from == undo_.at + undo_.inserted) {
        undo_.inserted += text.size();
    } else if (run == Run::Backspace && run_ == Run::Typing && undo_.valid && from >= undo_.at &&
               to == undo_.at + undo_.inserted) {
        // Backspace over what was just typed takes it out of the same step.
        undo_.inserted -= to - from;
        run = Run::Typing;
    } else if (sameRun && run == Run::Backspace && undo_.inserted == 0 && to == undo_.at) {
        undo_.removed.Insert(0, removed);
        undo_.at = from;
    } else if (sameRun && run == Run::Delete && undo_.inserted == 0 && from == undo_.at) {
        undo_.removed.Insert(undo_.removed.size(), removed);
    } else {
        undo_.removed.Clear();
        undo_.removed.Insert(0, removed);
        undo_.at = from;
        undo_.inserted = text.size();
        undo_.valid = true;
    }
    text_.Erase(from, to - from);
    text_.Insert(from, text);
    cursor_ = anchor_ = from + text.size();
    run_ = run;
    modified_ = true;
    EnsureCursorVisible();
    RestartBlink();
    update();
}

void SecretLineEdit::InsertText(std::string_view text, Run run) {
    Replace(std::min(cursor_, anchor_), std::max(cursor_, anchor_), text, run);
}

void SecretLineEdit::DeleteChar(bool backward) {
    if (HasSelection())
        Replace(std::min(cursor_, anchor_), std::max(cursor_, anchor_), {}, Run::None);
    else if (backward && cursor_ > 0)
        Replace(PreviousBoundary(cursor_), cursor_, {}, Run::Backspace);
    else if (!backward && cursor_ < text_.size())
        Replace(cursor_, NextBoundary(cursor_), {}, Run::Delete);
}

void SecretLineEdit::MoveCursor(std::size_t to, bool select) {
    cursor_ = std::min(to, text_.size());
    if (!select)
        anchor_ = cursor_;
    run_ = Run::None;
    EnsureCursorVisible();
    RestartBlink();
    update();
}

std::size_t SecretLineEdit::NextBoundary(std::size_t at) const {
    const std::string_view text = text_.View();
    if (at < text.size())
        ++at;
    while (at < text.size() && IsContinuation(text[at]))
        ++at;
    return at;
}

std::size_t SecretLineEdit::PreviousBoundary(std::size_t at) const {
    const std::string_view text = text_.View();
    if (at > 0)
        --at;
    while (at > 0 && IsContinuation(text[at]))
        --at;
    return at;
}

std::size_t SecretLineEdit::ByteOffset(int position) const {
    std::size_t at = 0;
    for (int i = 0; i < position && at < text_.size(); ++i)
        at = NextBoundary(at);
    return at;
}

int SecretLineEdit::CharIndex(std::size_t offset) const {
    const std::string_view text = text_.View().substr(0, offset);
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

// The keys the field handles itself, which no shortcut may take from it.
bool SecretLineEdit::IsEditKey(QKeyEvent* event) const {
    for (QKeySequence::StandardKey key :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
          QKeySequence::Undo})
        if (event->matches(key))
            return true;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & (Qt::AltModifier | Qt::MetaModifier)) != 0)
        return false;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return (mods & Qt::ControlModifier) == 0 && IsPrintable(event->text());
    }
}

bool SecretLineEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEditKey(key)) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void SecretLineEdit::keyPressEvent(QKeyEvent* event) {
    // Nothing leaves a password field: copy and cut do nothing, as on Windows.
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut))
        return;
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        return;
    }
    if (!IsEditKey(event)) {
        // Enter, Esc, Tab and the rest go on to the dialog.
        event->ignore();
        return;
    }
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    const std::size_t start = std::min(cursor_, anchor_);
    const std::size_t end = std::max(cursor_, anchor_);
    switch (event->key()) {
    case Qt::Key_Backspace:
        DeleteChar(true);
        break;
    case Qt::Key_Delete:
        DeleteChar(false);
        break;
    case Qt::Key_Home:
        MoveCursor(0, shift);
        break;
    case Qt::Key_End:
        MoveCursor(text_.size(), shift);
        break;
    // Word moves would tell where the spaces are: Ctrl+arrow goes to the end.
    case Qt::Key_Left:
        if (control)
            MoveCursor(0, shift);
        else if (HasSelection() && !shift)
            MoveCursor(start, false);
        else
            MoveCursor(PreviousBoundary(cursor_), shift);
        break;
    case Qt::Key_Right:
        if (control)
            MoveCursor(text_.size(), shift);
        else if (HasSelection() && !shift)
            MoveCursor(end, false);
        else
            MoveCursor(NextBoundary(cursor_), shift);
        break;
    default: {
        SecretString typed;
        ToSecret(event->text(), typed);
        InsertText(typed.view(), Run::Typing);
        break;
    }
    }
}

void SecretLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Only committed text counts; a preedit is never shown.
    if (IsPrintable(event->commitString())) {
        SecretString typed;
        ToSecret(event->commitString(), typed);
        InsertText(typed.view(), Run::Typing);
    }
    event->accept();
}

QVariant SecretLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled();
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                                Qt::ImhNoAutoUppercase);
    case Qt::ImCursorRectangle: {
        const QRect r = ContentsRect();
        const int x = r.left() + CharIndex(cursor_) * MaskWidth() - scroll_;
        return QRect(x, r.top(), 1, r.height());
    }
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return 0;
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection:
    case Qt::ImTextBeforeCursor:
    case Qt::ImTextAfterCursor:
        // An input method sees none of the text.
        return QString();
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void SecretLineEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    MoveCursor(OffsetAt(event->position().toPoint().x()),
               (event->modifiers() & Qt::ShiftModifier) != 0);
}

void SecretLineEdit::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0)
        MoveCursor(OffsetAt(event->position().toPoint().x()), true);
}

void SecretLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    // Words are not told apart in a password field: a double click takes all.
    if (event->button() == Qt::LeftButton)
        SelectAll();
}

void SecretLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<SecretLineEdit> self(this);
    QMenu menu;
    QAction* undo = menu.addAction(MenuText(tr("&Undo"), QKeySequence::Undo));
    undo->setObjectName(QStringLiteral("edit-undo"));
    undo->setEnabled(IsUndoAvailable());
    menu.addSeparator();
    QAction* paste = menu.addAction(MenuText(tr("&Paste"), QKeySequence::Paste));
    paste->setObjectName(QStringLiteral("edit-paste"));
    paste->setEnabled(static_cast<bool>(pasteSource_));
    QAction* remove = menu.addAction(tr("Delete"));
    remove->setObjectName(QStringLiteral("edit-delete"));
    remove->setEnabled(HasSelection());
    menu.addSeparator();
    QAction* all = menu.addAction(MenuText(tr("Select All"), QKeySequence::SelectAll));
    all->setObjectName(QStringLiteral("select-all"));
    all->setEnabled(!IsEmpty());
    if (addMenu_)
        addMenu_(menu);
    QAction* chosen = menu.exec(event->globalPos());
    if (self == nullptr || chosen == nullptr)
        return;
    if (chosen == undo)
        Undo();
    else if (chosen == paste)
        Paste();
    else if (chosen == remove)
        DeleteChar(false);
    else if (chosen == all)
        SelectAll();
    else if (chosen->data().toUInt() != 0 && menuChosen_)
        menuChosen_(chosen->data().toUInt());
}

void SecretLineEdit::focusInEvent(QFocusEvent* event) {
    // Tabbing into a field selects its text, as the dialog manager does.
    const Qt::FocusReason reason = event->reason();
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::ShortcutFocusReason) &&
        !HasSelection())
        SelectAll();
    RestartBlink();
    update();
}

void SecretLineEdit::focusOutEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        anchor_ = cursor_;
    blink_.stop();
    cursorShown_ = false;
    run_ = Run::None;
    update();
}

void SecretLineEdit::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        EnsureCursorVisible();
        updateGeometry();
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void SecretLineEdit::InitFrameOption(QStyleOptionFrame& option) const {
    option.initFrom(this);
    option.rect = contentsRect();
    option.lineWidth =
        frame_ ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
}

QRect SecretLineEdit::ContentsRect() const {
    QStyleOptionFrame option;
    InitFrameOption(option);
    const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int height = fontMetrics().height();
    // Centred vertically, as QLineEdit places its text.
    return QRect(r.left() + kHorizontalMargin, r.top() + (r.height() - height + 1) / 2,
                 std::max(0, r.width() - 2 * kHorizontalMargin), height);
}

int SecretLineEdit::MaskWidth() const {
    QStyleOptionFrame option;
    InitFrameOption(option);
    const QChar mask(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, this));
    return std::max(1, fontMetrics().horizontalAdvance(mask));
}

std::size_t SecretLineEdit::OffsetAt(int x) const {
    const int width = MaskWidth();
    const int index = (x - ContentsRect().left() + scroll_ + width / 2) / width;
    return ByteOffset(std::clamp(index, 0, Length()));
}

void SecretLineEdit::EnsureCursorVisible() {
    const int visible = ContentsRect().width();
    const int width = MaskWidth();
    const int x = CharIndex(cursor_) * width;
    const int total = Length() * width;
    if (x - scroll_ >= visible)
        scroll_ = x - visible + 1;
    if (x < scroll_)
        scroll_ = x;
    // No blank space at the right while there is text scrolled out at the left.
    scroll_ = std::max(0, std::min(scroll_, total - visible + 1));
}

void SecretLineEdit::RestartBlink() {
    cursorShown_ = hasFocus();
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void SecretLineEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    cursorShown_ = !cursorShown_;
    update();
}

void SecretLineEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame option;
    InitFrameOption(option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);

    const QRect r = ContentsRect();
    painter.setClipRect(r);
    const QChar mask(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, this));
    const int width = MaskWidth();
    const int left = r.left() - scroll_;
    const int selStart = CharIndex(std::min(cursor_, anchor_));
    const int selEnd = CharIndex(std::max(cursor_, anchor_));
    // Only the mask is drawn: one character per character of the text, each
    // in its own cell, so a click finds the same cell the eye sees.
    const QPalette& palette = option.palette;
    if (selEnd > selStart)
        painter.fillRect(
            QRect(left + selStart * width, r.top(), (selEnd - selStart) * width, r.height()),
            palette.color(QPalette::Highlight));
    const int count = Length();
    for (int i = 0; i < count; ++i) {
        const int x = left + i * width;
        if (x + width < r.left() || x > r.right())
            continue;
        const bool selected = i >= selStart && i < selEnd;
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(x, r.top(), width, r.height()), Qt::AlignCenter, QString(mask));
    }
    if (cursorShown_ && hasFocus() && isEnabled()) {
        const int cursorWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, &option, this);
        painter.fillRect(
            QRect(left + CharIndex(cursor_) * width, r.top(), std::max(1, cursorWidth), r.height()),
            palette.color(QPalette::Text));
    }
}

QSize SecretLineEdit::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.height() + 2 * kVerticalMargin;
    const int width = metrics.horizontalAdvance(u'x') * 17 + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    InitFrameOption(option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

QSize SecretLineEdit::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.height() + 2 * kVerticalMargin;
    const int width = metrics.maxWidth() + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    InitFrameOption(option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}
