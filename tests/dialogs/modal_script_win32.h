#pragma once
// Drives a modal dialog of this thread from inside its own message loop: a
// thread timer runs the steps one after the other, each on a later tick, a
// step that returns false is tried again on the next tick. A script that does
// not finish in time ends the dialog, so that a test fails instead of hanging.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace pell::testing_win32 {

struct TitleSearch {
    const std::string* title;
    std::vector<HWND> found;
};

// A plain callback: 32-bit builds need the platform's calling convention.
inline BOOL CALLBACK CollectTitled(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    if (IsWindowVisible(window) && *search->title == text)
        search->found.push_back(window);
    return TRUE;
}

// The visible top-level windows of this thread with this title.
inline std::vector<HWND> ThreadWindowsTitled(const std::string& title) {
    TitleSearch search{&title, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND FindThreadWindow(const std::string& title) {
    const std::vector<HWND> found = ThreadWindowsTitled(title);
    return found.empty() ? nullptr : found.front();
}

class ModalScript {
  public:
    using Step = std::function<bool(HWND dialog)>;

    ModalScript(std::string title, std::vector<Step> steps)
        : title_(std::move(title)), steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~ModalScript() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool completed() const { return next_ == steps_.size(); }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = current_;
        if (!self || self->running_ || self->completed())
            return;
        HWND dialog = FindThreadWindow(self->title_);
        if (++self->ticks_ > 500) {  // ten seconds
            if (dialog)
                EndDialog(dialog, 0);
            return;
        }
        if (!dialog)
            return;
        self->running_ = true;
        if (self->steps_[self->next_](dialog))
            ++self->next_;
        self->running_ = false;
    }

    static inline ModalScript* current_ = nullptr;
    std::string title_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    bool running_ = false;
    UINT_PTR timer_ = 0;
};

// Common steps.
inline ModalScript::Step SetField(int id, std::string text) {
    return [id, text](HWND dialog) {
        SetDlgItemTextA(dialog, id, text.c_str());
        return true;
    };
}
inline ModalScript::Step Press(int id) {
    return [id](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        return true;
    };
}

}  // namespace pell::testing_win32
