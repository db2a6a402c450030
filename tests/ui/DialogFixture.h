// A running application over the fake window system, with the main dialog
// open and initialised.
#pragma once

#include "tests/support/FakeWindowSystem.h"
#include "ui/VennoxApp.h"
#include "ui/VennoxDlg.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class DialogFixture : public ::testing::Test {
  protected:
    // Profile values set before OpenMain() are what the dialog starts with.
    void Store(const char* section, const char* key, const char* value) {
        ws.profile.store.Set(section, key, value);
    }

    FakeDialogWindow& OpenMain() {
        ws.profile.store.calls.clear();
        dlg = std::make_unique<CVennoxDlg>(nullptr);
        app.m_pMainWnd = dlg.get();
        FakeDialogWindow& w = ws.Open(*dlg);
        window = &w;
        return w;
    }

    // Types a challenge and a pass phrase and presses Compute.
    void Compute(const std::string& challenge, const std::string& passPhrase) {
        window->Type(IDC_CHALLENGE, challenge);
        window->Type(IDC_PASSWORD, passPhrase);
        window->Click(IDOK);
    }

    std::string Text(int id) { return window->Control(id).text; }
    std::vector<std::string> ProfileWrites() const {
        std::vector<std::string> out;
        for (const auto& c : ws.profile.store.calls)
            if (c.rfind("Write", 0) == 0)
                out.push_back(c);
        return out;
    }
    static int Count(const std::vector<std::string>& log, const std::string& entry) {
        return static_cast<int>(std::count(log.begin(), log.end(), entry));
    }
    // True when the entries appear in the log in this order (others may lie between).
    ::testing::AssertionResult InOrder(const std::vector<std::string>& expected) const {
        auto it = ws.log.begin();
        for (const auto& e : expected) {
            it = std::find_if(it, ws.log.end(),
                              [&](const std::string& l) { return l.rfind(e, 0) == 0; });
            if (it == ws.log.end())
                return ::testing::AssertionFailure() << "missing or out of order: " << e;
            ++it;
        }
        return ::testing::AssertionSuccess();
    }

    void TearDown() override {
        // Every successful open is matched by exactly one close.
        EXPECT_FALSE(ws.clipboardOpen);
        EXPECT_EQ(Count(ws.log, "OpenClipboard"), Count(ws.log, "CloseClipboard"));
    }

    FakeWindowSystem ws;
    CVennoxApp app{ws, ws.profile};
    std::unique_ptr<CVennoxDlg> dlg;
    FakeDialogWindow* window = nullptr;
};
