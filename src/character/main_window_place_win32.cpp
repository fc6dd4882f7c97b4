// Where the character stands: the stacking rule, placing at the saved position
// (or back on a screen when it would stand outside them all) or the desktop's
// centre, saving every move, and painting the face.
#include <string>
#include <vector>

#include "character/dpi_scale.h"
#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"
#include "character/skin_win32.h"
#include "character/window_placement.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

bool DialogsOpen() {
    const MainWindowState& state = MainState();
    return state.settingsDialog || state.aboutBox || state.messageBoxOpen;
}

// Timer 7: keep the character above windows that made themselves topmost.
void CALLBACK RaiseAgain(HWND window, UINT, UINT_PTR, DWORD) {
    if (DialogsOpen())
        return;
    HWND foreground = GetForegroundWindow();
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (foreground)
        SetFocus(foreground);
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& work = info.rcWork;
        reinterpret_cast<std::vector<ScreenRect>*>(areas)->push_back(
            ScreenRect{work.left, work.top, work.right, work.bottom});
    }
    return TRUE;
}

std::vector<ScreenRect> MonitorWorkAreas() {
    std::vector<ScreenRect> areas;
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

ScreenRect NearestWorkArea(const ScreenRect& frame) {
    const RECT rect{frame.left, frame.top, frame.right, frame.bottom};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        return ScreenRect{};
    return ScreenRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

// The saved position, or the nearest place on a screen when hardly anything of
// the character would be seen there.
ScreenPoint VisiblePosition(HWND window, ScreenPoint saved) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    return KeepOnScreen(saved, width, height, MonitorWorkAreas(),
                        NearestWorkArea(FrameAt(saved, width, height)));
}

}  // namespace

void ApplyStacking(HWND window, std::optional<POINT> moveTo) {
    SettingsStore& settings = CharacterSettings();
    const bool topmost = ReadFlag(settings, kControlSection, "Topmost", kNo);
    Stacking stacking;
    if (topmost) {
        const bool more = ReadFlag(settings, kControlSection, "MoreTopmost", kNo);
        const int period =
            more ? ReadRepairingNumber(settings, kControlSection, "MoreTopmostTimer", 100) : 0;
        stacking = DecideStacking(true, more, period);
    }
    UINT flags = SWP_NOSIZE | SWP_NOACTIVATE;
    POINT at{0, 0};
    if (moveTo) {
        at = *moveTo;
    } else {
        flags |= SWP_NOMOVE;
    }
    SetWindowPos(window, stacking.topmost ? HWND_TOPMOST : HWND_BOTTOM, at.x, at.y, 0, 0, flags);
    if (stacking.raiseAgain) {
        SetTimer(window, kTimerRaiseAgain, stacking.raisePeriod, RaiseAgain);
    } else {
        KillTimer(window, kTimerRaiseAgain);
    }
}

void PlaceWindow(HWND window) {
    SettingsStore& settings = CharacterSettings();
    const std::string posx = settings.ReadText(kControlSection, "posx", "", 20);
    const std::string posy = settings.ReadText(kControlSection, "posy", "", 20);
    SetWindowRgn(window, nullptr, TRUE);
    if (const std::optional<ScreenPoint> saved = SavedPosition(posx, posy)) {
        const ScreenPoint shown = VisiblePosition(window, *saved);
        MainState().correctedPlace.reset();
        if (!(shown == *saved))
            MainState().correctedPlace = POINT{shown.x, shown.y};
        ApplyStacking(window, POINT{shown.x, shown.y});
    } else {
        ApplyStacking(window, std::nullopt);
        CenterOnDesktop(window);
    }
    const int face = MainState().face;
    if (face != kFaceNone)
        ApplyFrameRegion(window, FrameForFace(face, false));
}

void SavePosition(HWND window) {
    const MainWindowState& state = MainState();
    if (!state.positionSaving)
        return;
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return;
    const std::optional<POINT>& corrected = state.correctedPlace;
    if (corrected && corrected->x == rect.left && corrected->y == rect.top)
        return;
    SettingsStore& settings = CharacterSettings();
    settings.Write(kControlSection, "posx", std::to_string(rect.left));
    settings.Write(kControlSection, "posy", std::to_string(rect.top));
}

void OnDpiChanged(HWND window, int dpi) {
    const int scale = CharacterScaleForDpi(dpi);
    if (scale == FrameScale())
        return;
    SetFrameScale(scale);
    // Every frame gets its new size; then the face on show is shaped and sized
    // again, keeping the character's top-left corner where it stands.
    BuildFrameRegions(window, kFrameCount, 1);
    const int face = MainState().face;
    if (face != kFaceNone) {
        SetFace(window, face);
    } else {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void PaintFace(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const MainWindowState& state = MainState();
    const int frame = FrameForFace(state.face, state.animationPhase);
    if (dc && frame != 0)
        DrawFrame(dc, frame);
    EndPaint(window, &paint);
}

}  // namespace pell
