#include "dialogs/about_box_win32.h"

#include "character/skin_win32.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

INT_PTR CALLBACK AboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* record = reinterpret_cast<HWND*>(GetWindowLongPtrA(box, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(box, DWLP_USER, lParam);
            record = reinterpret_cast<HWND*>(lParam);
            if (record)
                *record = box;
            CenterOnDesktop(box);
            SetDlgItemTextA(box, kAboutAddressField, kHomePageAddress);
            ShowWindow(box, SW_SHOW);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                DestroyWindow(box);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            // Also when the owner goes first: no handle of a closed box stays.
            if (record && *record == box)
                *record = nullptr;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateAboutBox(HWND owner, HWND* record) {
    return CreateDialogParamA(ProgramInstance(), MAKEINTRESOURCEA(kAboutBoxTemplate), owner,
                              AboutBoxProc, reinterpret_cast<LPARAM>(record));
}

}  // namespace pell
