// The tooltip's window procedure and painting.
#include "notify/tooltip_window_win32.h"

#include "character/dpi_scale.h"
#include "character/screen_dpi_win32.h"
#include "character/window_messages.h"
#include "notify/face_font_win32.h"
#include "notify/gdi_text_measurer_win32.h"
#include "notify/tooltip_layout.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

struct TooltipState {
    std::shared_ptr<const AccountList> accounts;
    SettingsStore* settings = nullptr;
    TooltipOwner* owner = nullptr;
    int laidOutWidth = 0;
    int laidOutHeight = 0;
    int dpi = 0;  // of the tooltip's screen, found at the first paint
    UniqueFont font;
};

TooltipState* StateOf(HWND window) {
    return reinterpret_cast<TooltipState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void PaintTooltip(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    TooltipState* state = StateOf(window);
    if (!dc || !state) {
        EndPaint(window, &paint);
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    UniqueBrush background(CreateSolidBrush(kTooltipBackground));
    FillRect(dc, &client, background.get());
    if (state->dpi == 0)
        state->dpi = WindowDpi(window);
    if (!state->font)
        state->font =
            MakeFaceFont(dc, kTooltipFontFace, ScaleForDpi(kTooltipFontHeight, state->dpi));
    SelectedObject font(dc, state->font.get());
    SetBkColor(dc, kTooltipBackground);
    state->owner->TooltipShown();

    GdiTextMeasurer measurer(dc);
    int width = 0;
    int height = 0;
    const int left = ScaleForDpi(3, state->dpi);
    const int top = ScaleForDpi(2, state->dpi);
    for (const TooltipLine& line : TooltipLines(*state->accounts, *state->settings)) {
        const TextSize size = measurer.Measure(line.text);
        SetTextColor(dc, line.colour);
        TextOutA(dc, left, height + top, line.text.data(), static_cast<int>(line.text.size()));
        height += size.cy;
        width = std::max(width, size.cx);
    }
    if (width != state->laidOutWidth || height != state->laidOutHeight) {
        RECT rect{};
        GetWindowRect(window, &rect);
        RECT desktop{};
        GetWindowRect(GetDesktopWindow(), &desktop);
        const TooltipRect at =
            PlaceTooltip(rect.left, rect.top, width, height,
                         {desktop.left, desktop.top, desktop.right, desktop.bottom}, state->dpi);
        SetWindowPos(window, HWND_TOPMOST, at.x, at.y, at.width, at.height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
        state->laidOutWidth = width;
        state->laidOutHeight = height;
    }
    EndPaint(window, &paint);
}

}  // namespace

HWND OpenTooltip(POINT pointer, std::shared_ptr<const AccountList> accounts,
                 SettingsStore& settings, TooltipOwner& owner) {
    auto state = std::make_unique<TooltipState>();
    state->accounts = accounts ? std::move(accounts) : std::make_shared<const AccountList>();
    state->settings = &settings;
    state->owner = &owner;
    return CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                           kTooltipWindowClass, "", WS_POPUP | WS_CLIPSIBLINGS | WS_BORDER,
                           pointer.x - 1, pointer.y + ScaleForDpi(18, WindowDpi(nullptr)), 3, 3,
                           nullptr, nullptr, ProgramInstance(), &state);
}

LRESULT CALLBACK TooltipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            auto* owner = static_cast<std::unique_ptr<TooltipState>*>(create->lpCreateParams);
            if (owner)
                SetWindowLongPtrA(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(owner->release()));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_NCDESTROY: {
            std::unique_ptr<TooltipState> state(StateOf(window));
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_CREATE:
            if (TooltipState* state = StateOf(window)) {
                state->laidOutWidth = 0;
                state->laidOutHeight = 0;
            }
            // The tooltip never takes the keyboard focus.
            SetFocus(GetForegroundWindow());
            // Shown from here: invalid, so the paint below draws and sizes it.
            InvalidateRect(window, nullptr, TRUE);
            SendMessageA(window, WM_PAINT, 0, 0);
            return 0;
        case WM_PAINT:
            PaintTooltip(window);
            return 0;
        case kMessageDpiChanged:
            // Laid out again with a font for the new DPI.
            if (TooltipState* state = StateOf(window)) {
                state->dpi = LOWORD(wParam);
                state->font.reset();
                state->laidOutWidth = state->laidOutHeight = 0;
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (TooltipState* state = StateOf(window))
                state->owner->PointerOnTooltip(window);
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
        case WM_ERASEBKGND:
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pell
