#include "ui/qt/QtDialogWindow.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/SecretLineEdit.h"
#include "ui/res/resource.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShortcutEvent>
#include <QValidator>

#include <algorithm>
#include <cstdlib>

namespace {

// Windows' MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

void WipeBytes(QByteArray& b) {
    if (!b.isEmpty())
        b.fill('\0');
    b.clear();
}

std::string ToLocal8Bit(const QString& s) {
    const QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// ES_LOWERCASE: what the user types into the field is lowered too.
class LowercaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toLower();
        return Acceptable;
    }
};

constexpr const char* kIdProperty = "vennoxId";

// What a paste into the password field takes: the text the challenge test
// sees. The conversion's copy is wiped.
bool ClipboardSecret(SecretString& out) {
    const std::optional<QString> text = QtWindowSystem::ClipboardText();
    if (!text)
        return false;
    QByteArray bytes = text->toLocal8Bit();
    out.assign(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    WipeBytes(bytes);
    return true;
}

// A button's mnemonic clicks it at once, as the Windows dialog manager does,
// before the next key is read. Qt's own handling (animateClick) clicks 100 ms
// later, after an Enter typed right behind the mnemonic has already pressed
// the default button.
class ClickOnMnemonic : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (event->type() != QEvent::Shortcut || button == nullptr)
            return false;
        // A letter that several buttons share only moves the focus: Qt's way.
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous())
            return false;
        if (button->isEnabled()) {
            // A check box or radio button takes the focus too; a push button
            // does not.
            if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus) != 0)
                button->setFocus(Qt::ShortcutFocusReason);
            button->click();
        }
        return true;
    }
};

} // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The rounded average, as GdiGetCharDimensions computes it.
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect DialogUnitsToPixels(int x, int y, int cx, int cy, QSize baseUnits) {
    const int bx = baseUnits.width();
    const int by = baseUnits.height();
    return QRect(MulDiv(x, bx, 4), MulDiv(y, by, 8), MulDiv(cx, bx, 4), MulDiv(cy, by, 8));
}

// --- HostEdit ---

HostEdit::HostEdit(QtDialogWindow& owner, QWidget* parent) : QLineEdit(parent), owner_(owner) {}

void HostEdit::PasteFirstLine() {
    if (isReadOnly())
        return;
    QString text = QtWindowSystem::ClipboardText().value_or(QString());
    qsizetype end = 0;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
        ++end;
    // insert() replaces the selection, as WM_PASTE does.
    insert(text.first(end));
}

void HostEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteFirstLine();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void HostEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    if (paste != nullptr)
        QObject::disconnect(paste, &QAction::triggered, nullptr, nullptr);
    owner_.AddWindowMenu(*menu);
    QAction* chosen = menu->exec(event->globalPos());
    const unsigned id = chosen != nullptr ? chosen->data().toUInt() : 0;
    const bool pasteChosen = chosen != nullptr && chosen == paste;
    delete menu;
    if (pasteChosen)
        PasteFirstLine();
    else if (id != 0)
        owner_.DeliverSysCommand(id);
}

// --- HostDialog ---

HostDialog::HostDialog(QtDialogWindow& owner, QWidget* parent) : QDialog(parent), owner_(owner) {}

void HostDialog::reject() {
    owner_.Command(IDCANCEL);
}

void HostDialog::closeEvent(QCloseEvent* event) {
    // The close box is IDCANCEL; the logic decides whether the dialog ends.
    event->ignore();
    owner_.Command(IDCANCEL);
}

bool HostDialog::event(QEvent* event) {
    // WM_ACTIVATE: 1 (WA_ACTIVE) when the window becomes active, 0 when it
    // loses that.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        const int state = event->type() == QEvent::WindowActivate ? 1 : kActivateInactive;
        const bool minimized = isMinimized();
        Dialog& logic = owner_.Logic();
        owner_.Deliver(QtDialogWindow::Message::Activate,
                       [&] { logic.OnActivate(state, 0, minimized); });
    }
    return QDialog::event(event);
}

void HostDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Wayland never tells a program where its window is: Qt's position there
    // is a guess, and must not replace the place the user left it at.
    if (!QtWindowSystem::WindowPositionsKnown())
        return;
    const QPoint pos = event->pos();
    Dialog& logic = owner_.Logic();
    owner_.Deliver(QtDialogWindow::Message::Move, [&] { logic.OnMove(pos.x(), pos.y()); });
}

void HostDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    Dialog& logic = owner_.Logic();
    owner_.Deliver(QtDialogWindow::Message::Paint, [&] { logic.OnPaint(); });
}

void HostDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (owner_.WindowMenu().empty()) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu;
    owner_.AddWindowMenu(menu);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen != nullptr && chosen->data().toUInt() != 0)
        owner_.DeliverSysCommand(chosen->data().toUInt());
}

// --- QtDialogWindow ---

QtDialogWindow::QtDialogWindow(QtWindowSystem& system, Dialog& dialog, QtDialogWindow* owner)
    : system_(system), dialog_(dialog), owner_(owner) {
    widget_ = new HostDialog(*this, owner != nullptr ? owner->Widget() : nullptr);
    handle_ = reinterpret_cast<WindowHandle>(widget_.data());
    system_.Register(dialog_, this);
    if (const DialogTemplate* t = FindDialogTemplate(dialog.TemplateId()))
        Build(*t);
}

QtDialogWindow::~QtDialogWindow() {
    system_.Register(dialog_, nullptr);
    destroyed_ = true;
    delete widget_;
}

void QtDialogWindow::Build(const DialogTemplate& dlg) {
    HostDialog* w = widget_;

    // A modal frame makes a transient dialog of the owner; the main window
    // is a normal top-level that the window manager lets the user minimise.
    Qt::WindowFlags flags = (dlg.style & kDlgModalFrame) != 0 ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((dlg.style & kDlgSysMenu) != 0)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((dlg.style & kDlgMinimizeBox) != 0)
        flags |= Qt::WindowMinimizeButtonHint;
    w->setWindowFlags(flags);
    w->setWindowTitle(QString::fromLocal8Bit(dlg.caption));

    // No Linux desktop has "MS Sans Serif": the family falls back to the
    // desktop's sans serif at the template's point size, and every rectangle
    // follows that font's base units, so the layout keeps its proportions.
    QFont font(QString::fromLatin1(dlg.font));
    font.setPointSize(dlg.pointSize);
    font.setStyleHint(QFont::SansSerif);
    w->setFont(font);
    baseUnits_ = DialogBaseUnits(w->font());

    const QRect frame = DialogUnitsToPixels(dlg.x, dlg.y, dlg.cx, dlg.cy, baseUnits_);
    w->setFixedSize(frame.size());
    // Like a dialog without DS_ABSALIGN: relative to the owner's client area.
    if (owner_ != nullptr)
        w->move(owner_->Widget()->mapToGlobal(frame.topLeft()));
    else
        w->move(frame.topLeft());

    QButtonGroup* group = nullptr;
    std::vector<QGroupBox*> boxes;
    auto* mnemonics = new ClickOnMnemonic(w);
    for (const ControlTemplate& c : dlg.controls) {
        const QString text = QString::fromLocal8Bit(c.text);
        QRect r = DialogUnitsToPixels(c.x, c.y, c.cx, c.cy, baseUnits_);
        if ((c.style & kGroup) != 0)
            group = nullptr;
        QWidget* control = nullptr;
        const Qt::FocusPolicy focus = (c.style & kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
        switch (c.kind) {
        case ControlKind::Edit: {
            if ((c.style & kPassword) != 0) {
                // The pass phrase lives in the field's own wiping buffer only.
                auto* secret = new SecretLineEdit(w);
                secret->SetFrame((c.style & kBorder) != 0);
                secret->SetText(c.text);
                secret->setFocusPolicy(focus);
                secret->SetPasteSource(ClipboardSecret);
                secret->SetMenuHooks([this](QMenu& menu) { AddWindowMenu(menu); },
                                     [this](unsigned id) { DeliverSysCommand(id); });
                control = secret;
                break;
            }
            auto* edit = new HostEdit(*this, w);
            edit->setFrame((c.style & kBorder) != 0);
            edit->setReadOnly((c.style & kReadOnly) != 0);
            if ((c.style & kLowercase) != 0)
                edit->setValidator(new LowercaseValidator(edit));
            edit->setText(text);
            edit->setFocusPolicy(focus);
            control = edit;
            break;
        }
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: {
            auto* button = new QPushButton(text, w);
            // Enter presses the focused push button, else the default one.
            button->setAutoDefault(true);
            button->setDefault(c.kind == ControlKind::DefPushButton);
            button->setFocusPolicy(focus);
            control = button;
            break;
        }
        case ControlKind::AutoRadioButton: {
            auto* radio = new QRadioButton(text, w);
            // The radio buttons from one group start to the next form one
            // exclusive set; arrow keys move within it, past disabled ones.
            if (group == nullptr) {
                group = new QButtonGroup(w);
                group->setExclusive(true);
                radioGroups_.push_back(group);
            }
            group->addButton(radio);
            radio->setFocusPolicy(focus);
            control = radio;
            break;
        }
        case ControlKind::AutoCheckBox: {
            auto* box = new QCheckBox(text, w);
            box->setFocusPolicy(focus);
            control = box;
            break;
        }
        case ControlKind::GroupBox: {
            auto* box = new QGroupBox(text, w);
            box->setFocusPolicy(Qt::NoFocus);
            boxes.push_back(box);
            control = box;
            break;
        }
        case ControlKind::Text: {
            auto* label = new QLabel(w);
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // Static text wraps within its rectangle. A one-line rectangle
            // that the desktop's font overflows grows to the right instead,
            // up to the window's edge, so no word is cut off.
            if (r.height() >= 2 * QFontMetrics(w->font()).height()) {
                label->setWordWrap(true);
            } else {
                const int needed = QFontMetrics(w->font()).horizontalAdvance(text) + 1;
                r.setWidth(std::max(r.width(), std::min(needed, frame.width() - r.x())));
            }
            control = label;
            break;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(w);
            const int iconId = c.text[0] == '#' ? std::atoi(c.text + 1) : 0;
            const QIcon icon = system_.Icon(system_.LoadIcon(iconId));
            // SS_ICON sizes the control to the icon.
            r.setSize(QSize(system_.IconWidth(), system_.IconHeight()));
            label->setPixmap(icon.pixmap(r.size()));
            control = label;
            break;
        }
        }
        control->setGeometry(r);
        control->setEnabled((c.style & kDisabled) == 0);
        control->setProperty(kIdProperty, c.id);
        if (c.id != IDC_STATIC) {
            control->setObjectName(QStringLiteral("control-%1").arg(c.id));
            controls_[c.id] = control;
            styles_[c.id] = c.style;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            // BN_CLICKED, notification 0: a user's click or its keyboard equivalent.
            const int id = c.id;
            QObject::connect(button, &QAbstractButton::clicked, w, [this, id] { Command(id); });
            button->installEventFilter(mnemonics);
        }
        if ((c.style & kTabStop) != 0 && control->focusPolicy() != Qt::NoFocus)
            tabOrder_.push_back(control);
    }
    // Group boxes are drawn behind the controls inside them.
    for (QGroupBox* box : boxes)
        box->lower();
    for (std::size_t i = 1; i < tabOrder_.size(); ++i)
        QWidget::setTabOrder(tabOrder_[i - 1], tabOrder_[i]);

    // F1 anywhere in the window: WM_HELPINFO.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), w);
    help->setContext(Qt::WindowShortcut);
    QObject::connect(help, &QShortcut::activated, w,
                     [this] { Deliver(Message::HelpInfo, [this] { dialog_.OnHelpInfo(); }); });
}

QWidget* QtDialogWindow::Control(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

void QtDialogWindow::AddWindowMenu(QMenu& menu) {
    for (const MenuEntry& entry : menu_) {
        if (entry.id == 0) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(entry.text);
            action->setData(entry.id);
        }
    }
}

void QtDialogWindow::Deliver(Message message, const std::function<void()>& handler) {
    if (destroyed_ || !dialog_.HasWindow() || &dialog_.Window() != this)
        return;
    const Message saved = current_;
    current_ = message;
    ++depth_;
    try {
        handler();
    } catch (...) {
        // No exception may unwind through Qt's event loop: the event counts
        // as handled and the program goes on.
    }
    --depth_;
    current_ = saved;
    if (depth_ == 0 && endPending_) {
        endPending_ = false;
        ended_ = true;
        widget_->done(endResult_);
    }
}

void QtDialogWindow::DeliverSysCommand(unsigned id) {
    Deliver(Message::SysCommand, [this, id] { dialog_.OnSysCommand(id, 0); });
}

void QtDialogWindow::Command(int id) {
    Deliver(Message::Command, [this, id] { dialog_.OnCommand(id); });
}

void QtDialogWindow::DrawClipboard() {
    Deliver(Message::DrawClipboard, [this] { dialog_.OnDrawClipboard(); });
}

void QtDialogWindow::FocusFirstTabStop() {
    for (QWidget* w : tabOrder_) {
        if (w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

int QtDialogWindow::Run() {
    bool focusFirst = false;
    Deliver(Message::None, [&] { focusFirst = dialog_.OnInitDialog(); });
    if (focusFirst)
        FocusFirstTabStop();
    const int result = ended_ ? widget_->result() : widget_->exec();
    Deliver(Message::Destroy, [this] { dialog_.OnDestroy(); });
    destroyed_ = true;
    return result;
}

WindowHandle QtDialogWindow::Handle() const {
    return handle_;
}

std::string QtDialogWindow::GetItemText(int id) {
    QWidget* w = Control(id);
    // The logic reads the password field with GetItemSecret; this is
    // GetWindowText's answer, for completeness.
    if (auto* secret = qobject_cast<SecretLineEdit*>(w)) {
        SecretString text;
        secret->Read(text);
        return std::string(text.view());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return ToLocal8Bit(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return ToLocal8Bit(button->text());
    if (auto* label = qobject_cast<QLabel*>(w))
        return ToLocal8Bit(label->text());
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return ToLocal8Bit(box->title());
    return {};
}

void QtDialogWindow::GetItemSecret(int id, SecretString& out) {
    if (auto* secret = qobject_cast<SecretLineEdit*>(Control(id)))
        secret->Read(out);
    else
        out.clear();
}

void QtDialogWindow::SetItemText(int id, std::string_view text) {
    QWidget* w = Control(id);
    // Before any QString is made of it: the text may be a pass phrase.
    if (auto* secret = qobject_cast<SecretLineEdit*>(w)) {
        secret->SetText(text);
        return;
    }
    QString s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    const auto style = styles_.find(id);
    if (style != styles_.end() && (style->second & kLowercase) != 0)
        s = s.toLower();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(s);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(s);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(s);
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(s);
    }
}

void QtDialogWindow::SetFocus(int id) {
    if (QWidget* w = Control(id))
        w->setFocus(Qt::OtherFocusReason);
}

void QtDialogWindow::SelectAll(int id) {
    if (auto* edit = qobject_cast<QLineEdit*>(Control(id)))
        edit->selectAll();
    else if (auto* secret = qobject_cast<SecretLineEdit*>(Control(id)))
        secret->SelectAll();
}

void QtDialogWindow::ScrollToStart(int id) {
    auto* edit = qobject_cast<QLineEdit*>(Control(id));
    if (edit == nullptr)
        return;
    // Keep the selection but put the caret at its start, so the field shows
    // the beginning of its text.
    if (edit->hasSelectedText()) {
        const int start = edit->selectionStart();
        const int length = edit->selectionLength();
        edit->setSelection(start + length, -length);
    } else {
        edit->setCursorPosition(0);
    }
}

void QtDialogWindow::Paste(int id) {
    if (auto* edit = dynamic_cast<HostEdit*>(Control(id)))
        edit->PasteFirstLine();
    else if (auto* secret = qobject_cast<SecretLineEdit*>(Control(id)))
        secret->Paste();
}

bool QtDialogWindow::IsChecked(int id) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked();
}

void QtDialogWindow::SetButtonChecked(QAbstractButton* button, bool checked) {
    // BM_SETCHECK touches one button only: the group's exclusivity, which
    // would clear the others or refuse to clear this one, is held off.
    QButtonGroup* group = button->group();
    const bool exclusive = group != nullptr && group->exclusive();
    if (exclusive)
        group->setExclusive(false);
    button->setChecked(checked);
    if (exclusive)
        group->setExclusive(true);
}

void QtDialogWindow::SetChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
        SetButtonChecked(button, checked);
}

void QtDialogWindow::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id)
        SetChecked(id, id == checkId);
}

int QtDialogWindow::GetCheckedRadioButton(int firstId, int lastId) {
    for (int id = firstId; id <= lastId; ++id)
        if (IsChecked(id))
            return id;
    return 0;
}

bool QtDialogWindow::IsIconic() {
    return widget_->isMinimized();
}

void QtDialogWindow::SetShowCommand(int showCommand) {
    if (showCommand == kShowMinimize)
        widget_->showMinimized();
    else if (showCommand == kShowNormal)
        widget_->showNormal();
    else
        widget_->show();
}

void QtDialogWindow::SetForeground() {
    // The window manager may refuse to hand over the focus; nothing depends on it.
    if (!widget_->isVisible())
        return;
    widget_->raise();
    widget_->activateWindow();
}

Rect QtDialogWindow::GetWindowRect() {
    // The outer frame as the window manager reports it; before the window is
    // mapped that is the window itself.
    const QRect f = widget_->frameGeometry();
    return Rect{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
}

Rect QtDialogWindow::GetClientRect() {
    return Rect{0, 0, widget_->width(), widget_->height()};
}

void QtDialogWindow::MoveTo(int left, int top) {
    const QPoint before = widget_->pos();
    // On a top-level window, move() places the frame's top-left corner.
    widget_->move(left, top);
    // Qt tells a window that is not shown yet of its move only when it is
    // shown, after the rest of the initialisation. SetWindowPos notifies
    // before it returns, when the place has changed: so does this, and the
    // show does not repeat it.
    if (widget_->testAttribute(Qt::WA_PendingMoveEvent)) {
        widget_->setAttribute(Qt::WA_PendingMoveEvent, false);
        if (widget_->pos() != before) {
            QMoveEvent moved(widget_->pos(), before);
            QCoreApplication::sendEvent(widget_, &moved);
        }
    }
}

// A Linux desktop has no system menu that a program can extend: its entries
// are offered in the window's context menu (right click or the Menu key).
void QtDialogWindow::AppendSystemMenuSeparator() {
    menu_.push_back(MenuEntry{});
}

void QtDialogWindow::AppendSystemMenuItem(unsigned commandId, std::string_view text) {
    menu_.push_back(MenuEntry{
        commandId, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()))});
}

void QtDialogWindow::SetIcon(int, IconHandle icon) {
    // One QIcon holds every size; the window manager picks big or small.
    widget_->setWindowIcon(system_.Icon(icon));
}

// On X11 and Wayland a minimised window is not painted by its program: the
// window manager or the task bar shows its icon from the window icon set
// above. Painting the minimised window is therefore left undone.
void QtDialogWindow::BeginPaint() {}
void QtDialogWindow::EraseIconBackground() {}
void QtDialogWindow::DrawIcon(int, int, IconHandle) {}
void QtDialogWindow::EndPaint() {}

void QtDialogWindow::Default() {
    // Qt has done its own processing of the event already. What remains of
    // Windows' default handling is WM_HELPINFO, which goes on to the owner
    // (DefWindowProc passes WM_HELP to the owner of a top-level window).
    if (current_ == Message::HelpInfo && owner_ != nullptr) {
        Dialog& owner = owner_->Logic();
        owner_->Deliver(Message::HelpInfo, [&owner] { owner.OnHelpInfo(); });
    }
}

void QtDialogWindow::EndDialog(int result) {
    endPending_ = true;
    endResult_ = result;
    if (depth_ == 0) {
        endPending_ = false;
        ended_ = true;
        widget_->done(result);
    }
}
