// The Qt widgets that stand for a dialog's window and its plain edit
// fields: they route what the window system reports to the dialog's logic
// instead of Qt's own handling.
#pragma once

#include <QDialog>
#include <QLineEdit>

class QtDialogWindow;

// A single-line field. Pasting takes the clipboard text up to its first line
// break, as a single-line edit control does on Windows.
class HostEdit : public QLineEdit {
  public:
    HostEdit(QtDialogWindow& owner, QWidget* parent);
    void PasteFirstLine();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QtDialogWindow& owner_;
};

// The dialog's window. Esc, the close box, activation, moves and painting
// are routed to the logic instead of Qt's own handling.
class HostDialog : public QDialog {
  public:
    HostDialog(QtDialogWindow& owner, QWidget* parent);
    void reject() override;

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QtDialogWindow& owner_;
};
