#pragma once
// The dialog logic's view of a real dialog: control texts, check marks,
// enabled states, drop-down selections, the account list view and message
// boxes, by control id.
#include <windows.h>

#include <functional>
#include <string>

#include "dialogs/dialog_surface.h"

namespace pell {

class Win32DialogSurface final : public DialogSurface {
  public:
    explicit Win32DialogSurface(HWND dialog) : dialog_(dialog) {}

    std::string Text(int id) override;
    void SetText(int id, std::string_view text) override;
    bool Checked(int id) override;
    void SetChecked(int id, bool on) override;
    void Enable(int id, bool on) override;
    void Show(int id, bool on) override;
    void Focus(int id) override;
    void SetHint(int id, std::string_view text) override;
    void SetChoices(int id, const std::vector<std::string>& choices) override;
    int Selection(int id) override;
    void Select(int id, int index) override;
    void SetRows(int id, const std::vector<ListRow>& rows) override;
    std::vector<ListRow> Rows(int id) override;
    int SelectedRow(int id) override;
    bool ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override;

  private:
    HWND dialog_;
};

// A window's whole text, however long.
std::string WindowText(HWND window);

// The box flags of each kind of message.
UINT MessageBoxFlags(MessageKind kind);

// Message boxes of the dialogs go through this; tests record them instead
// (the result is what the box would return: IDOK, IDCANCEL, IDYES, IDNO).
using DialogMessageBox =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
void SetDialogMessageBoxForTesting(DialogMessageBox box);
int ShowDialogMessageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT flags);

// True while the Shift key is held down for this thread.
bool ShiftKeyHeld();

}  // namespace pell
