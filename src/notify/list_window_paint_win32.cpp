// Painting the new-mail list: its lines with the highlight under the pointer,
// the close button, and its size and place when they change.
#include "character/screen_dpi_win32.h"
#include "character/window_messages.h"
#include "notify/face_font_win32.h"
#include "notify/gdi_text_measurer_win32.h"
#include "notify/list_layout.h"
#include "notify/list_window_state_win32.h"
#include "notify/list_window_win32.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

void EnsureFonts(ListWindowState& state, HDC dc) {
    if (!state.textFont) {
        state.notice->fontFace = FaceOrDefault(state.notice->fontFace);
        state.textFont = MakeFaceFont(dc, state.notice->fontFace.c_str(),
                                      ScaleForDpi(state.notice->fontHeight, state.dpi));
    }
    if (!state.closeFont)
        state.closeFont =
            MakeFaceFont(dc, kCloseGlyphFace, ScaleForDpi(kCloseGlyphHeight, state.dpi));
}

// The user's submenu delay: how long the pointer rests before a line's
// viewer replaces the open one.
UINT ReplaceDelayMs() {
    UINT delay = 400;
    SystemParametersInfoA(SPI_GETMENUSHOWDELAY, 0, &delay, 0);
    return delay < 50 ? 50 : (delay > 2000 ? 2000 : delay);
}

DesktopRect Desktop() {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return {desktop.left, desktop.top, desktop.right, desktop.bottom};
}

// A changed size starts the closing timer (when configured) and shows the
// list at its place: where it stands when it follows the pointer, else centred.
void Resize(HWND window, ListWindowState& state, int width, int height) {
    SettingsStore& settings = *state.settings;
    if (state.follows || ReadFlag(settings, state.notice->accountName, "Popuptimer", kNo))
        SetTimer(window, kListTimerClose, ListCloseDelayMs(settings), nullptr);
    if (state.keepAt) {
        SetWindowPos(window, HWND_TOPMOST, state.keepAt->x, state.keepAt->y, width, height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
        state.keepAt.reset();
    } else if (state.follows) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } else {
        const ListPosition at = CentredOnDesktop(Desktop(), width, height);
        SetWindowPos(window, HWND_TOPMOST, at.x, at.y, width, height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

void DrawList(const ListWindowState& state, const ListPaint& plan, const OffscreenCanvas& canvas) {
    canvas.Fill(state.notice->backGroundColor);
    {
        SelectedObject font(canvas.dc(), state.textFont.get());
        SetBkMode(canvas.dc(), OPAQUE);
        for (const ListDrawnLine& line : plan.lines) {
            SetTextColor(canvas.dc(), line.ink);
            SetBkColor(canvas.dc(), line.paper);
            TextOutA(canvas.dc(), 3, line.y, line.text.data(), static_cast<int>(line.text.size()));
        }
    }
    SelectedObject font(canvas.dc(), state.closeFont.get());
    SetTextColor(canvas.dc(), state.closeHot ? kCloseGlyphHotColour : kCloseGlyphColour);
    SetBkColor(canvas.dc(), state.closeHot ? kCloseHotBackground : state.notice->backGroundColor);
    TextOutA(canvas.dc(), plan.closeGlyphX(), 0, kCloseGlyph, 1);
}

}  // namespace

void PaintList(HWND window) {
    ListWindowState* state = ListState(window);
    if (!state || !state->notice)
        return;
    POINT pointer{};
    GetCursorPos(&pointer);
    const POINT screen = pointer;
    ScreenToClient(window, &pointer);
    RECT rect{};
    GetWindowRect(window, &rect);
    const int windowWidth = rect.right - rect.left;
    const int windowHeight = rect.bottom - rect.top;

    WindowDc screenDc(nullptr);
    if (state->dpi == 0)
        state->dpi = WindowDpi(window);
    if (state->lines.empty()) {
        UniqueMemoryDc measuring(CreateCompatibleDC(screenDc.get()));
        EnsureFonts(*state, measuring.get());
        SelectedObject font(measuring.get(), state->textFont.get());
        GdiTextMeasurer measurer(measuring.get());
        state->lines = MeasureListLines(*state->notice, measurer);
    }
    // At the viewer, its line is the one held highlighted.
    const bool atViewer = ViewerInUse(state->viewer, screen);
    const ListPaint plan =
        PlanListPaint(*state->notice, state->lines,
                      {pointer.x, pointer.y, windowWidth, ShiftHeld(),
                       atViewer && state->viewerLine > 0 ? state->viewerLine : state->selected,
                       atViewer, state->dpi});
    const int width = plan.windowWidth();
    const int height = plan.windowHeight();

    // Most paints follow a pointer move that changed nothing on the list.
    const ListWindowState::Picture picture{width, height, plan.highlightShown ? plan.selected : 0,
                                           state->closeHot};
    if (!state->canvas || !(picture == state->drawn)) {
        if (!state->canvas || !(state->drawn.width == width && state->drawn.height == height))
            state->canvas = std::make_unique<OffscreenCanvas>(screenDc.get(), width, height);
        state->drawn = picture;
        DrawList(*state, plan, *state->canvas);
    }

    state->highlightShown = plan.highlightShown;
    if (plan.highlightShown && state->viewer)
        KillTimer(state->viewer, kListTimerClose);
    if (plan.selectionChanged) {
        state->selected = plan.selected;
        // Another line under the pointer: its viewer takes the open one's place
        // once the pointer rests there, as a submenu opens, so that crossing
        // lines on the way to the viewer leaves it alone.
        if (state->viewer && plan.selected != state->viewerLine) {
            SetTimer(window, kListTimerReplaceViewer, ReplaceDelayMs(), nullptr);
        } else {
            KillTimer(window, kListTimerReplaceViewer);
        }
    }
    if (!plan.highlightShown && state->viewer)
        SetTimer(state->viewer, kListTimerClose, 200, nullptr);

    if (width != windowWidth || height != windowHeight)
        Resize(window, *state, width, height);
    WindowDc target(window);
    state->canvas->CopyTo(target.get());
}

void OnListReplaceViewer(HWND window) {
    ListWindowState* state = ListState(window);
    if (!state || !state->viewer || !state->highlightShown || state->selected == state->viewerLine)
        return;
    POINT screen{};
    GetCursorPos(&screen);
    if (ViewerInUse(state->viewer, screen))
        return;
    SendMessageA(state->viewer, WM_TIMER, kListTimerClose, 0);
    if ((state = ListState(window)) != nullptr)
        OpenViewerForLine(window, state->selected, "", screen);
}

void OnListDpiChanged(HWND window, int dpi, const RECT* suggested) {
    ListWindowState* state = ListState(window);
    if (!state || dpi <= 0 || dpi == state->dpi)
        return;
    state->dpi = dpi;
    state->textFont.reset();
    state->closeFont.reset();
    state->lines.clear();
    state->canvas.reset();
    if (suggested)
        state->keepAt = POINT{suggested->left, suggested->top};
    PaintList(window);
}

}  // namespace pell
