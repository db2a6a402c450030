// Builds a dialog's Qt window from its template, as the Windows dialog
// manager does: every rectangle in dialog units of the window's font, one
// small function per kind of control.
#pragma once

#include "ui/res/DialogTemplates.h"

#include <QRect>
#include <QSize>

#include <vector>

class QButtonGroup;
class QFont;
class QGroupBox;
class QObject;
class QWidget;
class HostDialog;
class QtDialogWindow;
class QtWindowSystem;

// Base units of a dialog font as the Windows dialog manager computes them:
// the average width of the 52 letters A-Z a-z and the font's height.
QSize DialogBaseUnits(const QFont& font);
// A template rectangle (dialog units) in pixels for those base units.
QRect DialogUnitsToPixels(int x, int y, int cx, int cy, QSize baseUnits);

class DialogBuilder {
  public:
    DialogBuilder(QtDialogWindow& window, QtWindowSystem& system);
    // Sets up the window and adds its controls in template order, which is
    // also the tab order. The window is not shown.
    void Build(const DialogTemplate& dlg);

  private:
    void SetUpWindow(const DialogTemplate& dlg);
    QWidget* MakeEdit(const ControlTemplate& c);
    QWidget* MakePasswordEdit(const ControlTemplate& c);
    QWidget* MakePushButton(const ControlTemplate& c);
    QWidget* MakeRadioButton(const ControlTemplate& c);
    QWidget* MakeCheckBox(const ControlTemplate& c);
    QWidget* MakeGroupBox(const ControlTemplate& c);
    QWidget* MakeText(const ControlTemplate& c, QRect& r);
    QWidget* MakeIcon(const ControlTemplate& c, QRect& r);
    void Add(const ControlTemplate& c, QWidget* control, const QRect& r);
    void AddHelpKey();
    void AddContextMenuKey();

    QtDialogWindow& window_;
    QtWindowSystem& system_;
    HostDialog* dialog_;
    QRect frame_;                   // the window, in pixels
    QButtonGroup* group_ = nullptr; // the radio buttons of the current group
    std::vector<QGroupBox*> boxes_; // drawn behind the other controls
    QObject* mnemonics_ = nullptr;  // clicks a button on its Alt+letter
};
