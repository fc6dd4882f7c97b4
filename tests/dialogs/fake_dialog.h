#pragma once
// A dialog made of maps: texts, check marks, enabled and shown states, hints
// and selections by control id, one list of rows, and the message boxes shown
// (answered from a queue, OK/Yes when it is empty).
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialogs/dialog_surface.h"

namespace pell::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageKind kind;
};

class FakeDialog final : public DialogSurface {
  public:
    std::string Text(int id) override { return texts[id]; }
    void SetText(int id, std::string_view text) override { texts[id] = std::string(text); }
    bool Checked(int id) override { return checks[id]; }
    void SetChecked(int id, bool on) override { checks[id] = on; }
    void Enable(int id, bool on) override {
        if (on) {
            disabled.erase(id);
        } else {
            disabled.insert(id);
        }
    }
    void Show(int id, bool on) override {
        if (on) {
            hidden.erase(id);
        } else {
            hidden.insert(id);
        }
    }
    void Focus(int id) override { focus = id; }
    void SetHint(int id, std::string_view text) override { hints[id] = std::string(text); }
    void SetChoices(int id, const std::vector<std::string>& entries) override {
        choices[id] = entries;
    }
    int Selection(int id) override {
        auto found = selections.find(id);
        return found == selections.end() ? -1 : found->second;
    }
    void Select(int id, int index) override { selections[id] = index; }
    void SetRows(int, const std::vector<ListRow>& replaced) override {
        rows = replaced;
        selectedRow = -1;
    }
    std::vector<ListRow> Rows(int) override { return rows; }
    int SelectedRow(int) override { return selectedRow; }
    bool ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override {
        messages.push_back({std::string(text), std::string(caption), kind});
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool Enabled(int id) const { return disabled.count(id) == 0; }
    bool Shown(int id) const { return hidden.count(id) == 0; }

    std::map<int, std::string> texts;
    std::map<int, bool> checks;
    std::set<int> disabled;
    std::set<int> hidden;
    std::map<int, std::string> hints;
    std::map<int, std::vector<std::string>> choices;
    std::map<int, int> selections;
    std::vector<ListRow> rows;
    int selectedRow = -1;
    int focus = 0;
    std::vector<ShownMessage> messages;
    std::deque<bool> answers;
};

}  // namespace pell::testing
