#include "character/skin_win32.h"

#include <array>
#include <string>

#include "character/dpi_scale.h"
#include "character/main_window_state_win32.h"
#include "character/window_placement.h"
#include "settings/settings_conventions.h"
#include "startup/startup_win32.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// Frames are small pictures; a damaged header must not make a huge window.
constexpr int kLargestFrame = 4096;
// The size of a frame whose bitmap is missing.
constexpr int kMissingFrameSize = 32;

struct FrameSlot {
    // On screen, at the character's scale.
    int width = kMissingFrameSize;
    int height = kMissingFrameSize;
    // The bitmap's own size, which drawing scales up.
    int pictureWidth = kMissingFrameSize;
    int pictureHeight = kMissingFrameSize;
    UniqueBitmap bitmap;
    bool looked = false;  // the resource lookup was done for this skin
    std::optional<LockedFrame> locked;
};

struct SkinState {
    // A loaded skin library; empty while the program's own frames are used.
    UniqueModule library;
    std::array<FrameSlot, kFrameCount> frames;
    // Every picture pixel is drawn as a scale x scale square.
    int scale = 1;
};

SkinState& Skin() {
    static SkinState state;
    return state;
}

FrameSlot* Slot(int frame) {
    if (frame < 1 || frame > kFrameCount)
        return nullptr;
    return &Skin().frames[static_cast<std::size_t>(frame - 1)];
}

HMODULE ResourceModule() {
    HMODULE module = CurrentSkinModule();
    return module ? module : ProgramInstance();
}

}  // namespace

// Skins are only a source of pictures, icons and a string: loading them as
// data runs none of their code, wherever the file came from.
UniqueModule LoadSkinLibrary(const std::string& path) {
    if (path.empty())
        return UniqueModule();
    return UniqueModule(LoadLibraryExA(path.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

bool HasFirstFrame(HMODULE module) {
    return FindResourceA(module, FrameResourceName(1), MAKEINTRESOURCEA(2)) != nullptr;
}

namespace {

int SaneSize(std::int64_t value) {
    if (value < 0)
        value = -value;
    if (value < 1)
        return kMissingFrameSize;
    return value > kLargestFrame ? kLargestFrame : static_cast<int>(value);
}

void ForgetFrames() {
    for (FrameSlot& slot : Skin().frames) {
        slot.bitmap.reset();
        slot.looked = false;
        slot.locked.reset();
    }
}

// The frame as a bitmap for drawing; made from the resource's pixels when the
// platform cannot load it from a library mapped as data.
UniqueBitmap LoadFrameBitmap(HDC dc, int frame) {
    UniqueBitmap bitmap(LoadBitmapA(ResourceModule(), FrameResourceName(frame)));
    if (bitmap)
        return bitmap;
    const std::optional<LockedFrame> locked = LockFrameBits(frame);
    if (!locked || locked->pixels.empty())
        return bitmap;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(locked->resource.data());
    bitmap.reset(CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, locked->pixels.data(), info,
                                DIB_RGB_COLORS));
    return bitmap;
}

UniqueModule ConfiguredSkin(SettingsStore& settings) {
    if (!ReadFlag(settings, kControlSection, "UseSkin", kNo))
        return UniqueModule();
    return LoadSkinLibrary(settings.ReadText(kControlSection, "SkinFile", "", 512));
}

}  // namespace

const char* FrameResourceName(int frame) {
    static const char* const names[kFrameCount] = {"IDB_PELL1", "IDB_PELL2", "IDB_PELL3",
                                                   "IDB_PELL4", "IDB_PELL5", "IDB_PELL6"};
    return (frame >= 1 && frame <= kFrameCount) ? names[frame - 1] : names[0];
}

HMODULE CurrentSkinModule() {
    return Skin().library.get();
}

std::optional<LockedFrame> LockFrameBits(int frame) {
    FrameSlot* slot = Slot(frame);
    if (!slot)
        return std::nullopt;
    if (slot->looked)
        return slot->locked;
    slot->looked = true;
    HMODULE module = ResourceModule();
    HRSRC found = FindResourceA(module, FrameResourceName(frame), MAKEINTRESOURCEA(2));
    if (!found)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!data || size == 0)
        return std::nullopt;
    const std::string_view resource(static_cast<const char*>(data), size);
    const std::optional<FrameHeader> header = ParseFrameHeader(resource);
    if (!header)
        return std::nullopt;
    LockedFrame locked;
    locked.header = *header;
    locked.resource = resource;
    if (header->pixelOffset)
        locked.pixels = resource.substr(*header->pixelOffset);
    slot->locked = locked;
    return slot->locked;
}

UniqueRegion RegionFromBits(std::string_view pixels, int width, int height, int bitsPerPixel,
                            int scale) {
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    if (!region)
        return region;
    for (const RunRect& run : ScaleRuns(OpaqueRuns(pixels, width, height, bitsPerPixel), scale)) {
        UniqueRegion piece(CreateRectRgn(run.left, run.top, run.right, run.bottom));
        if (!piece || CombineRgn(region.get(), region.get(), piece.get(), RGN_OR) == ERROR) {
            return UniqueRegion();
        }
    }
    return region;
}

void ApplyFrameRegion(HWND window, int frame) {
    FrameSlot* slot = Slot(frame);
    if (!slot)
        return;
    SetWindowRgn(window, nullptr, TRUE);
    const int scale = Skin().scale;
    const std::optional<LockedFrame> locked = LockFrameBits(frame);
    if (!locked) {
        slot->pictureWidth = slot->pictureHeight = kMissingFrameSize;
        slot->width = slot->height = kMissingFrameSize * scale;
        return;
    }
    const FrameHeader& header = locked->header;
    if (!locked->pixels.empty()) {
        UniqueRegion region =
            RegionFromBits(locked->pixels, header.width, header.height, header.bitsPerPixel, scale);
        // The window owns a region once it is set: hand it over.
        if (region && SetWindowRgn(window, region.get(), TRUE))
            region.release();
    }
    slot->pictureWidth = SaneSize(header.width);
    slot->pictureHeight = SaneSize(header.height);
    slot->width = slot->pictureWidth * scale;
    slot->height = slot->pictureHeight * scale;
}

void SetFrameScale(int scale) {
    Skin().scale = scale < 1 ? 1 : scale;
}

int FrameScale() {
    return Skin().scale;
}

SIZE FrameSize(int frame) {
    const FrameSlot* slot = Slot(frame);
    if (!slot)
        return SIZE{kMissingFrameSize, kMissingFrameSize};
    return SIZE{slot->width, slot->height};
}

void BuildFrameRegions(HWND window, int from, int to) {
    const int step = from <= to ? 1 : -1;
    for (int frame = from;; frame += step) {
        ApplyFrameRegion(window, frame);
        if (frame == to)
            break;
    }
}

void SetFace(HWND window, int face) {
    MainWindowState& state = MainState();
    // The new-mail face starts on its first frame, the one whose shape is set.
    if (face == 3 && state.face != 3)
        state.animationPhase = false;
    state.face = face;
    if (face < 1 || face > 5)
        return;
    ApplyFrameRegion(window, face);
    const SIZE size = FrameSize(face);
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
}

void DrawFrame(HDC dc, int frame) {
    FrameSlot* slot = Slot(frame);
    if (!slot)
        return;
    if (!slot->bitmap)
        slot->bitmap = LoadFrameBitmap(dc, frame);
    const RECT area{0, 0, slot->width, slot->height};
    if (!slot->bitmap) {
        // No picture: a plain square rather than whatever was on screen.
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    SelectedObject selected(memory.get(), slot->bitmap.get());
    if (slot->width == slot->pictureWidth && slot->height == slot->pictureHeight) {
        BitBlt(dc, 0, 0, slot->width, slot->height, memory.get(), 0, 0, SRCCOPY);
        return;
    }
    // Nearest neighbour: each picture pixel a sharp square, as the shape is cut.
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, slot->width, slot->height, memory.get(), 0, 0, slot->pictureWidth,
               slot->pictureHeight, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

void CenterOnDesktop(HWND window) {
    RECT desktop{};
    RECT own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    const ScreenPoint at =
        CenteredTopLeft({desktop.left, desktop.top, desktop.right, desktop.bottom},
                        own.right - own.left, own.bottom - own.top);
    SetWindowPos(window, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

void ChooseSkinAtCreation(SettingsStore& settings) {
    ForgetFrames();
    if (HMODULE pending = TakePendingSkinModule()) {
        Skin().library.reset(pending);
        return;
    }
    Skin().library = ConfiguredSkin(settings);
}

bool ChangeSkin(HWND window, WPARAM wParam, LPARAM lParam, SettingsStore& settings) {
    UniqueModule next;
    if (lParam != 0) {
        if (wParam == 0) {
            char name[512] = {};
            const ATOM atom = static_cast<ATOM>(lParam);
            GlobalGetAtomNameA(atom, name, sizeof(name));
            GlobalDeleteAtom(atom);
            next = LoadSkinLibrary(name);  // a failed load means the program's frames
        } else if (wParam == 1) {
            const std::string path(reinterpret_cast<const char*>(lParam));
            if (path.empty() || (FindTextNoCase(path, ".exe") == kNotFound &&
                                 FindTextNoCase(path, ".dll") == kNotFound)) {
                return false;
            }
            next = LoadSkinLibrary(path);
            if (!next || !HasFirstFrame(next.get()))
                return false;
        } else {
            return false;  // no other request exists
        }
    } else {
        next = ConfiguredSkin(settings);
    }
    SetWindowRgn(window, nullptr, TRUE);
    ForgetFrames();
    Skin().library = std::move(next);
    BuildFrameRegions(window, 1, kFrameCount);
    SetFace(window, 1);
    return true;
}

void ReleaseSkin() {
    ForgetFrames();
    Skin().library.reset();
}

}  // namespace pell
