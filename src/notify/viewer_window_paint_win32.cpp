// Painting the viewer: its lines as far as they fit, the close button, and its
// size, which follows the shown lines and never gets narrower.
#include "character/screen_dpi_win32.h"
#include "notify/char_width_cache.h"
#include "notify/face_font_win32.h"
#include "notify/gdi_text_measurer_win32.h"
#include "notify/list_layout.h"
#include "notify/viewer_layout.h"
#include "notify/viewer_window_state_win32.h"

namespace pell {
namespace {

void EnsureFonts(ViewerWindowState& state, HDC dc) {
    if (!state.textFont) {
        state.look.face = FaceOrDefault(state.look.face);
        state.textFont = MakeFaceFont(dc, state.look.face.c_str(),
                                      ScaleForDpi(state.look.fontHeight, state.dpi));
    }
    if (!state.closeFont)
        state.closeFont =
            MakeFaceFont(dc, kCloseGlyphFace, ScaleForDpi(kCloseGlyphHeight, state.dpi));
}

COLORREF InkColour(const ViewerLook& look, ViewerInk ink) {
    switch (ink) {
        case ViewerInk::kHeader:
            return look.header;
        case ViewerInk::kNote:
            return kNoteColour;
        case ViewerInk::kBody:
            break;
    }
    return look.body;
}

void DrawViewer(const ViewerWindowState& state, const ViewerPaint& plan,
                const OffscreenCanvas& canvas, int width) {
    canvas.Fill(state.look.background);
    {
        SelectedObject font(canvas.dc(), state.textFont.get());
        SetBkMode(canvas.dc(), OPAQUE);
        SetBkColor(canvas.dc(), state.look.background);
        for (const ViewerDrawnLine& line : plan.drawn) {
            SetTextColor(canvas.dc(), InkColour(state.look, line.ink));
            TextOutA(canvas.dc(), ScaleForDpi(3, state.dpi), line.y, line.text.data(),
                     static_cast<int>(line.text.size()));
        }
    }
    SelectedObject font(canvas.dc(), state.closeFont.get());
    SetTextColor(canvas.dc(), state.closeHot ? kCloseGlyphHotColour : kCloseGlyphColour);
    SetBkColor(canvas.dc(), state.closeHot ? kCloseHotBackground : state.look.background);
    TextOutA(canvas.dc(), width - ScaleForDpi(14, state.dpi), 0, kCloseGlyph, 1);
}

}  // namespace

LRESULT PaintViewer(HWND window) {
    ViewerWindowState* state = ViewerState(window);
    if (!state)
        return 1;
    RECT rect{};
    GetWindowRect(window, &rect);
    const WindowSize current{rect.right - rect.left, rect.bottom - rect.top};

    WindowDc screenDc(nullptr);
    if (state->dpi == 0)
        state->dpi = WindowDpi(window);
    UniqueMemoryDc measuring(CreateCompatibleDC(screenDc.get()));
    EnsureFonts(*state, measuring.get());
    ViewerPaint plan;
    {
        SelectedObject font(measuring.get(), state->textFont.get());
        GdiTextMeasurer measurer(measuring.get());
        if (!state->laidOut) {
            // Breaks come from the characters' widths, each asked once.
            CharWidthCache widths;
            CachedWidthMeasurer cached(widths, measurer);
            state->lines =
                BreakViewerText(state->text, cached, ScaleForDpi(kViewerLineMaxWidth, state->dpi));
            state->laidOut = true;
        }
        const bool first = state->lineCount == 0;
        plan = PlanViewerPaint(state->text, state->lines, state->scrollLine, first, measurer,
                               state->dpi);
        if (first)
            state->lineCount = plan.lineCount;
    }
    const WindowSize size = ViewerWindowSize(plan, current.width, state->dpi);
    if (!(size == current)) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, size.width, size.height,
                     SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    const ViewerWindowState::Picture picture{size.width, size.height, state->scrollLine,
                                             state->closeHot};
    if (!state->canvas || !(picture == state->drawn)) {
        if (!state->canvas ||
            !(state->drawn.width == size.width && state->drawn.height == size.height)) {
            state->canvas =
                std::make_unique<OffscreenCanvas>(screenDc.get(), size.width, size.height);
        }
        state->drawn = picture;
        DrawViewer(*state, plan, *state->canvas, size.width);
    }
    WindowDc target(window);
    state->canvas->CopyTo(target.get());
    return 0;
}

void OnViewerDpiChanged(HWND window, int dpi, const RECT* suggested) {
    ViewerWindowState* state = ViewerState(window);
    if (!state || dpi <= 0 || dpi == state->dpi)
        return;
    state->dpi = dpi;
    state->textFont.reset();
    state->closeFont.reset();
    state->laidOut = false;
    state->lines.clear();
    state->lineCount = 0;  // counted again: the lines break elsewhere
    state->scrollLine = 0;
    state->canvas.reset();
    // The suggested place at no size: the width starts afresh (it only ever
    // grows), and the paint below sizes and shows the viewer.
    if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PaintViewer(window);
}

}  // namespace pell
