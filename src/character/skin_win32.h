#pragma once
// The character's frames: which library they come from (a skin or the program
// itself), their pixels, the window shape cut from them, drawing a frame and
// switching the shown face.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "character/frame_bits.h"
#include "character/gdi_handles_win32.h"
#include "settings/settings_store.h"

namespace pell {

inline constexpr int kFrameCount = 6;

// The name of frame n (1..6): IDB_PELL1 .. IDB_PELL6.
const char* FrameResourceName(int frame);

// The library whose frames, icons and tip are used; null means the program.
HMODULE CurrentSkinModule();

// A skin library mapped as data only (none of its code runs), or empty.
UniqueModule LoadSkinLibrary(const std::string& path);
// True when the library holds the first frame, the mark of a skin.
bool HasFirstFrame(HMODULE module);

// A frame's header and pixels from the current skin (looked up once per skin).
struct LockedFrame {
    FrameHeader header;
    std::string_view resource;  // the whole resource: header, colours, pixels
    std::string_view pixels;    // empty when the frame has no usable pixels
};
std::optional<LockedFrame> LockFrameBits(int frame);

// The union of the opaque runs of a picture at a whole-number scale, or no
// region.
UniqueRegion RegionFromBits(std::string_view pixels, int width, int height, int bitsPerPixel,
                            int scale = 1);

// The character's whole-number scale for its screen's DPI; frames shaped and
// drawn from then on use it. Kept across skin changes.
void SetFrameScale(int scale);
int FrameScale();

// Replaces the window's shape by frame n's and records the frame's size.
void ApplyFrameRegion(HWND window, int frame);
SIZE FrameSize(int frame);

// Records the face, shapes and resizes the window for it (keeping its place)
// and repaints it.
void SetFace(HWND window, int face);

// Draws frame n at the window's top-left corner.
void DrawFrame(HDC dc, int frame);

// Centres a window on the desktop, on top of the stack, and shows it.
void CenterOnDesktop(HWND window);

// At creation: the command line's skin, else the configured one, else the
// program's own frames.
void ChooseSkinAtCreation(SettingsStore& settings);

// MSG_SKINCHANGE: wParam 0 with an atom (a second instance), wParam 1 with a
// path (a dropped file; the caller makes sure the pointer is its own), lParam 0
// to reload from the settings. True when the skin was changed (the tray icon is then applied
// again by the caller).
bool ChangeSkin(HWND window, WPARAM wParam, LPARAM lParam, SettingsStore& settings);

// Builds the shapes of the frames from..to (either direction), recording sizes.
void BuildFrameRegions(HWND window, int from, int to);

// End of the run: drops the cached bitmaps and frees a skin library.
void ReleaseSkin();

}  // namespace pell
