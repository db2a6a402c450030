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
    text_.Set(text);
    scroll_ = 0;
    EnsureCursorVisible();
    update();
}

int SecretLineEdit::Length() const {
    return text_.CharIndex(text_.Size());
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
    InsertText(text.substr(0, text.find_first_of("\r\n")), SecretEditText::Run::None);
}

void SecretLineEdit::SetMenuHooks(std::function<void(QMenu&)> add,
                                  std::function<void(unsigned)> chosen) {
    addMenu_ = std::move(add);
    menuChosen_ = std::move(chosen);
}

void SecretLineEdit::SelectAll() {
    text_.SelectAll();
    EnsureCursorVisible();
    update();
}

int SecretLineEdit::CursorPosition() const {
    return text_.CharIndex(text_.Cursor());
}

void SecretLineEdit::Edited() {
    EnsureCursorVisible();
    RestartBlink();
    update();
}

void SecretLineEdit::MoveCursor(std::size_t to, bool select) {
    text_.MoveCursor(to, select);
    Edited();
}

void SecretLineEdit::InsertText(std::string_view text, SecretEditText::Run run) {
    text_.InsertText(text, run);
    Edited();
}

void SecretLineEdit::DeleteChar(bool backward) {
    text_.DeleteChar(backward);
    Edited();
}

void SecretLineEdit::Undo() {
    if (text_.Undo())
        Edited();
}

void SecretLineEdit::SetFrame(bool frame) {
    frame_ = frame;
    update();
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
    const std::size_t start = text_.SelectionStart();
    const std::size_t end = text_.SelectionEnd();
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
        MoveCursor(text_.Size(), shift);
        break;
    // Word moves would tell where the spaces are: Ctrl+arrow goes to the end.
    case Qt::Key_Left:
        if (control)
            MoveCursor(0, shift);
        else if (text_.HasSelection() && !shift)
            MoveCursor(start, false);
        else
            MoveCursor(text_.PreviousBoundary(text_.Cursor()), shift);
        break;
    case Qt::Key_Right:
        if (control)
            MoveCursor(text_.Size(), shift);
        else if (text_.HasSelection() && !shift)
            MoveCursor(end, false);
        else
            MoveCursor(text_.NextBoundary(text_.Cursor()), shift);
        break;
    default: {
        SecretString typed;
        ToSecret(event->text(), typed);
        InsertText(typed.view(), SecretEditText::Run::Typing);
        break;
    }
    }
}

void SecretLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Only committed text counts; a preedit is never shown.
    if (IsPrintable(event->commitString())) {
        SecretString typed;
        ToSecret(event->commitString(), typed);
        InsertText(typed.view(), SecretEditText::Run::Typing);
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
        const int x = r.left() + text_.CharIndex(text_.Cursor()) * MaskWidth() - scroll_;
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
    remove->setEnabled(text_.HasSelection());
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
        !text_.HasSelection())
        SelectAll();
    RestartBlink();
    update();
}

void SecretLineEdit::focusOutEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    // Leaving the field drops the selection, but not for a menu or another
    // window.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        text_.MoveCursor(text_.Cursor(), false);
    text_.EndRun();
    blink_.stop();
    cursorShown_ = false;
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
