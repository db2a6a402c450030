#include "ui/qt/QtDialogWindow.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/qt/DialogBuilder.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/SecretLineEdit.h"
#include "ui/res/resource.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>

namespace {

std::string ToLocal8Bit(const QString& s) {
    const QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

} // namespace

QtDialogWindow::QtDialogWindow(QtWindowSystem& system, Dialog& dialog, QtDialogWindow* owner)
    : system_(system), dialog_(dialog), owner_(owner) {
    widget_ = new HostDialog(*this, owner != nullptr ? owner->Widget() : nullptr);
    handle_ = reinterpret_cast<WindowHandle>(widget_.data());
    system_.Register(dialog_, this);
    if (const DialogTemplate* t = FindDialogTemplate(dialog.TemplateId()))
        DialogBuilder(*this, system_).Build(*t);
}

QtDialogWindow::~QtDialogWindow() {
    system_.Register(dialog_, nullptr);
    destroyed_ = true;
    delete widget_;
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
    FinishPendingEnd();
}

void QtDialogWindow::FinishPendingEnd() {
    if (depth_ != 0 || !endPending_)
        return;
    endPending_ = false;
    ended_ = true;
    widget_->done(endResult_);
}

void QtDialogWindow::DeliverSysCommand(unsigned id) {
    Deliver(Message::SysCommand, [this, id] { dialog_.OnSysCommand(id, 0); });
}

void QtDialogWindow::Command(int id) {
    Deliver(Message::Command, [this, id] { dialog_.OnCommand(id); });
}

void QtDialogWindow::HelpInfo() {
    Deliver(Message::HelpInfo, [this] { dialog_.OnHelpInfo(); });
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
    FinishPendingEnd();
}
