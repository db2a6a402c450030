// Shared pieces of the Qt host's tests.
#pragma once

#include "ui/Dialog.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/SecretLineEdit.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

// A dialog of the logic that records the handlers the host calls.
class ProbeDialog : public Dialog {
  public:
    explicit ProbeDialog(int templateId) : Dialog(templateId, nullptr) {}
    void OnCommand(int id) override { commands.push_back(id); }
    void OnDrawClipboard() override { ++draws; }
    bool OnHelpInfo() override {
        ++helps;
        return true;
    }
    void OnActivate(int state, WindowHandle, bool) override { activations.push_back(state); }
    void OnSysCommand(unsigned id, std::intptr_t) override { sysCommands.push_back(id); }
    void OnMove(int, int) override { ++moves; }
    std::vector<int> commands;
    std::vector<int> activations;
    std::vector<unsigned> sysCommands;
    int draws = 0;
    int helps = 0;
    int moves = 0;
};

// A probe dialog with its window built and attached, not shown.
struct ProbeWindow {
    explicit ProbeWindow(QtWindowSystem& system, int templateId)
        : dialog(templateId), window(system, dialog, nullptr) {
        dialog.Attach(&window);
    }
    ~ProbeWindow() { dialog.Detach(); }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(window.Control(id)); }
    SecretLineEdit* Secret(int id) const {
        return qobject_cast<SecretLineEdit*>(window.Control(id));
    }
    QAbstractButton* Button(int id) const {
        return qobject_cast<QAbstractButton*>(window.Control(id));
    }
    ProbeDialog dialog;
    QtDialogWindow window;
};

QObject* MakeDialogBuildTest();
QObject* MakeLayerTest();
QObject* MakeProgramTest();
