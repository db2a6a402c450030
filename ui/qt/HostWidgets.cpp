#include "ui/qt/HostWidgets.h"

#include "ui/Dialog.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/res/resource.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMoveEvent>

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
