#pragma once
// What the dialog logic sees of a dialog: controls by id with their texts,
// check marks, enabled states and selections, one list of rows, message boxes
// and the focus. The Windows dialog procedures implement it over the real
// controls; tests implement it over plain maps.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

enum class MessageKind {
    kWarning,   // OK, warning icon
    kConfirm,   // OK and Cancel, question icon; true for OK
    kQuestion,  // Yes and No, question icon; true for Yes
    kInformation,
};

// An edit control's limit and whether it takes digits only.
struct EditLimit {
    int id;
    std::size_t limit;
    bool digitsOnly;
};

struct ListRow {
    std::string name;  // first column
    std::string user;  // second column
    bool checked = false;
};

class DialogSurface {
  public:
    virtual ~DialogSurface() = default;

    virtual std::string Text(int id) = 0;
    virtual void SetText(int id, std::string_view text) = 0;
    virtual bool Checked(int id) = 0;
    virtual void SetChecked(int id, bool on) = 0;
    virtual void Enable(int id, bool on) = 0;
    virtual void Show(int id, bool on) = 0;
    virtual void Focus(int id) = 0;
    // The grey text an empty edit shows (the value it stands for).
    virtual void SetHint(int id, std::string_view text) = 0;

    // Drop-down lists: the entries are set once; the selection is an index or -1.
    virtual void SetChoices(int id, const std::vector<std::string>& choices) = 0;
    virtual int Selection(int id) = 0;
    virtual void Select(int id, int index) = 0;

    // The list of rows (the account list): replaced as a whole, read row by row.
    virtual void SetRows(int id, const std::vector<ListRow>& rows) = 0;
    virtual std::vector<ListRow> Rows(int id) = 0;
    // The selected row, or -1.
    virtual int SelectedRow(int id) = 0;

    // Shows a message box owned by the dialog; true for OK or Yes.
    virtual bool ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) = 0;
};

}  // namespace pell
