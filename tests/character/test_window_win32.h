#pragma once
// A plain top-level window for the Win32 tests of the character's parts: it
// records the WM_COMMAND ids it receives and lets the test pump its messages.
#include <windows.h>

#include <functional>
#include <vector>

namespace pell::testing_win32 {

class TestWindow {
  public:
    // Hidden windows are much cheaper to destroy under an X server without a
    // window manager; only pointer tests need a visible one.
    TestWindow(int x, int y, int width, int height, bool visible = true) {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "PellCharacterTestWindow";
            wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            return RegisterClassA(&wc);
        }();
        (void)atom;
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "PellCharacterTestWindow",
                                  "test", WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    }
    ~TestWindow() {
        if (window_ && IsWindow(window_))
            DestroyWindow(window_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND get() const { return window_; }
    const std::vector<unsigned>& commands() const { return commands_; }

    // Dispatches the thread's messages until `stop` holds for a fetched message
    // (which is then not dispatched) or `limitMs` have passed; true when it held.
    static bool PumpUntil(const std::function<bool(const MSG&)>& stop, DWORD limitMs) {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (stop(msg))
                    return true;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (GetTickCount() - start >= limitMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COMMAND && self) {
            self->commands_.push_back(LOWORD(wParam));
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<unsigned> commands_;
};

}  // namespace pell::testing_win32
