#pragma once
// The fixture of the Win32 tests that drive the character's window in this
// process: a settings file of the test's own behind the character, the window
// made on demand, and every hook the tests set undone at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "character/main_window_state_win32.h"
#include "settings/ini_file_store.h"
#include "startup/startup_win32.h"
#include "support/temp_file.h"

namespace pell::testing_win32 {

// Dispatches every message waiting in the thread's queue.
inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
}

inline RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

class CharacterWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetCharacterSettingsForTesting(store_.get());
        store_->Write("Control", "posx", "100");
        store_->Write("Control", "posy", "120");
        store_->Write("Control", "TaskTray", "No");
        static const bool registered = RegisterWindowClasses(GetModuleHandleA(nullptr)) != 0;
        (void)registered;
    }

    void TearDown() override {
        held_.clear();  // as a test's own would be, before the window goes
        DestroyMain();
        SetWorkerStarterForTesting(nullptr);
        SetCharacterSettingsForTesting(nullptr);
    }

    void CreateMain() {
        // A title of its own: tools that look for the running character by
        // class and title (a second start, test probes) leave this one alone.
        main_ = CreateWindowExA(WS_EX_TOOLWINDOW, "Pell32WClass", "Pell32 VESK under test",
                                WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(main_, nullptr);
        Pump();
    }

    void DestroyMain() {
        if (main_)
            DestroyWindow(main_);
        main_ = nullptr;
        Pump();
    }

    // Checks are held instead of run: the block of every start lands in held_.
    void HoldChecks() {
        SetWorkerStarterForTesting(
            [this](CheckStartBlock block) { held_.push_back(std::move(block)); });
    }

    // Accounts POP1 .. POP`count` in the account list.
    void ListAccounts(int count) {
        store_->Write("Poplist", "Count", std::to_string(count));
        for (int n = 1; n <= count; ++n)
            store_->Write("Poplist", "List" + std::to_string(n), "POP" + std::to_string(n));
    }

    pell::testing::TempFile file_;
    std::unique_ptr<SettingsStore> store_ = std::make_unique<IniFileStore>(file_.path());
    HWND main_ = nullptr;
    std::vector<CheckStartBlock> held_;
};

}  // namespace pell::testing_win32
