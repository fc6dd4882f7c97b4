// The account dialog's procedure: it carries texts and states between the
// controls and the account dialog logic, and runs the connection test on a
// thread of its own so that the dialog stays usable meanwhile.
#include "dialogs/account_dialog_win32.h"

#include <cstdint>
#include <memory>

#include "character/skin_win32.h"
#include "dialogs/account_dialog_logic.h"
#include "dialogs/connection_test.h"
#include "dialogs/connection_test_job.h"
#include "dialogs/dialog_setup_win32.h"
#include "dialogs/dialog_surface_win32.h"
#include "dialogs/file_chooser_win32.h"
#include "dialogs/write_watch.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

// Posted by a connection test's thread when it has ended; lParam its number.
constexpr UINT MSG_TESTDONE = WM_APP + 41;

struct AccountDialog {
    AccountDialog(SettingsStore& file, std::optional<std::string>& edited)
        : store(file), name(edited) {}

    SettingsStore& store;
    std::optional<std::string>& name;
    std::unique_ptr<Win32DialogSurface> surface;
    AccountDialogSession session;
    std::shared_ptr<ConnectionTestJob> test;
    std::uintptr_t testNumber = 0;
};

AccountDialog* From(HWND dialog) {
    return reinterpret_cast<AccountDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void Save(HWND dialog, AccountDialog& self) {
    // A failed attempt leaves the dialog as it was, ready for another try.
    WriteWatchStore watched(self.store);
    AccountDialogSession attempt = self.session;
    if (!SaveAccountDialog(*self.surface, watched, attempt))
        return;
    if (watched.failed()) {
        ShowDialogMessageBox(dialog, kSaveFailedText, kAccountMessageCaption,
                             MB_OK | MB_ICONWARNING);
        return;
    }
    self.session = std::move(attempt);
    if (self.session.editing)
        self.name = self.session.editing;
    EndDialog(dialog, 1);
}

void StartTest(HWND dialog, AccountDialog& self) {
    if (self.test)
        return;
    std::optional<PopSessionInput> in =
        PrepareConnectionTest(*self.surface, self.store, self.session);
    if (!in)
        return;
    EnableWindow(GetDlgItem(dialog, kAccountTest), FALSE);
    const std::uintptr_t number = ++self.testNumber;
    self.test = ConnectionTestJob::Start(MakePlatformNetwork(), std::move(*in), [dialog, number] {
        PostMessageA(dialog, MSG_TESTDONE, 0, static_cast<LPARAM>(number));
    });
}

void OnTestDone(HWND dialog, AccountDialog& self, LPARAM number) {
    if (!self.test || static_cast<std::uintptr_t>(number) != self.testNumber ||
        !self.test->finished()) {
        return;
    }
    const std::shared_ptr<ConnectionTestJob> job = std::move(self.test);
    EnableWindow(GetDlgItem(dialog, kAccountTest), TRUE);
    ReportConnectionTest(*self.surface, self.session, job->output());
}

void OnCommand(HWND dialog, AccountDialog& self, int id, int code) {
    switch (id) {
        case kAccountOk:
            Save(dialog, self);
            return;
        case kAccountCancel:
            EndDialog(dialog, 1);
            return;
        case kAccountChooseMailer:
            if (std::optional<std::string> path = ChooseFile(dialog, MailerChooser()))
                self.surface->SetText(kAccountMailer, *path);
            return;
        case kAccountChooseSound:
            if (std::optional<std::string> path = ChooseFile(dialog, SoundChooser()))
                self.surface->SetText(kAccountSound, *path);
            return;
        case kAccountTest:
            StartTest(dialog, self);
            return;
        case kAccountPopup:
            if (code == BN_CLICKED)
                OnPopupClicked(*self.surface);
            return;
        case kAccountProtocol:
        case kAccountSecurity:
            if (code == CBN_SELCHANGE)
                OnConnectionKindChanged(*self.surface);
            return;
        default:
            return;
    }
}

INT_PTR CALLBACK AccountDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<AccountDialog*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->surface = std::make_unique<Win32DialogSurface>(dialog);
        ApplyEditLimits(dialog, AccountDialogEdits());
        // The delay before the first check is for those who open the dialog
        // with Shift held.
        const bool shift = ShiftKeyHeld();
        if (!shift) {
            DestroyWindow(GetDlgItem(dialog, kAccountDelay));
            DestroyWindow(GetDlgItem(dialog, kAccountDelayLabel));
        }
        self->session = InitAccountDialog(*self->surface, self->store, self->name, shift);
        CenterOnDesktop(dialog);
        return TRUE;
    }
    AccountDialog* self = From(dialog);
    if (!self)
        return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case MSG_TESTDONE:
            OnTestDone(dialog, *self, lParam);
            return TRUE;
        case WM_DESTROY:
            // A test still running is given up; its result goes nowhere.
            if (self->test)
                self->test->Cancel();
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunAccountDialog(HWND owner, SettingsStore& store, std::optional<std::string>& name) {
    AccountDialog self(store, name);
    DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(kAccountDialogTemplate), owner,
                    AccountDialogProc, reinterpret_cast<LPARAM>(&self));
}

}  // namespace pell
