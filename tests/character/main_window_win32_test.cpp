// The main character window in this process, driven with messages: its size
// and shape follow the frames of the skin in use, skins change by every road,
// and a hanging check is ended by the watchdog.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "character/character_window_test_win32.h"
#include "character/host_messages.h"
#include "character/hover_tracking_win32.h"
#include "character/main_window_state_win32.h"
#include "character/screen_dpi_win32.h"
#include "character/skin_win32.h"
#include "character/test_window_win32.h"
#include "character/window_check_host_win32.h"
#include "mail/status_codes.h"

#include "support/windows_path_win32.h"

namespace pell {
namespace {

using testing_win32::Pump;
using testing_win32::WindowRect;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string FixturePath() {
    return ProgramFolder() + "pell_shape_fixture.dll";
}

// The window's region box, or an empty box when it has no region.
RECT RegionBox(HWND window) {
    RECT box{};
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(window, region) != ERROR)
        GetRgnBox(region, &box);
    DeleteObject(region);
    return box;
}

bool RegionContains(HWND window, int x, int y) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const bool inside = GetWindowRgn(window, region) != ERROR && PtInRegion(region, x, y);
    DeleteObject(region);
    return inside;
}

// A file-drop handle as the shell makes it, for one path.
HDROP MakeDrop(const std::string& path) {
    const SIZE_T size = sizeof(DROPFILES) + path.size() + 2;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.c_str(), path.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// Saves a bitmap as a 24-bit .bmp file, for a person to look at (beside the
// test program in the build folder, never in the working folder).
void SaveBitmap(HDC dc, HBITMAP bitmap, int width, int height, const std::string& path) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(stride * static_cast<DWORD>(height));
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return;
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info, sizeof(info), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
}

class MainWindowTest : public testing_win32::CharacterWindowTest {
  protected:
    void UseFixtureSkin() {
        store_->Write("Control", "UseSkin", "Yes");
        store_->Write("Control", "SkinFile", FixturePath());
    }

    void ExpectPlacedSize(int width, int height) {
        const RECT rect = WindowRect(main_);
        EXPECT_EQ(rect.left, 100);
        EXPECT_EQ(rect.top, 120);
        EXPECT_EQ(rect.right - rect.left, width);
        EXPECT_EQ(rect.bottom - rect.top, height);
    }
};

TEST_F(MainWindowTest, FaceSwitchResizesAndKeepsTheTopLeftCorner) {
    UseFixtureSkin();
    CreateMain();
    ExpectPlacedSize(36, 28);  // face 1 at creation
    const struct {
        int face;
        int width;
        int height;
    } faces[] = {{2, 40, 24}, {3, 24, 40}, {4, 32, 32}, {5, 30, 30}, {1, 36, 28}};
    for (const auto& f : faces) {
        SCOPED_TRACE(f.face);
        SetFace(main_, f.face);
        Pump();
        EXPECT_EQ(MainState().face, f.face);
        ExpectPlacedSize(f.width, f.height);
    }
}

TEST_F(MainWindowTest, TheWorkerShowsTheThinkingFaceOnlyWhileItsCheckRuns) {
    UseFixtureSkin();
    ListAccounts(1);
    store_->Write("POP1", "Timer", "0");
    HoldChecks();
    CreateMain();
    // A stray request without a running check changes nothing.
    PostMessageA(main_, MSG_HOST_THINK, 0, 0);
    Pump();
    EXPECT_EQ(MainState().face, 1);

    SendMessageA(main_, WM_COMMAND, 297, 0);
    ASSERT_EQ(held_.size(), 1u);
    held_[0].host->ShowThinkingFace();  // from the worker's thread, as a message
    Pump();
    EXPECT_EQ(MainState().face, 5);
    EXPECT_EQ(MainState().mailState, 3);
    ExpectPlacedSize(30, 30);
}

TEST_F(MainWindowTest, RegionHasTheShapeOfTheFrame) {
    UseFixtureSkin();
    CreateMain();
    SetFace(main_, 4);  // a disc in 1..31
    Pump();
    const RECT disc = RegionBox(main_);
    EXPECT_EQ(disc.left, 1);
    EXPECT_EQ(disc.top, 1);
    EXPECT_EQ(disc.right, 31);
    EXPECT_EQ(disc.bottom, 31);
    EXPECT_TRUE(RegionContains(main_, 16, 16));
    EXPECT_FALSE(RegionContains(main_, 2, 2));  // inside the box, outside the disc
    EXPECT_FALSE(RegionContains(main_, 0, 31));

    SetFace(main_, 2);  // exactly the box 4,2 .. 36,22
    Pump();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(main_, region), ERROR);
    HRGN box = CreateRectRgn(4, 2, 36, 22);
    EXPECT_EQ(CombineRgn(box, box, region, RGN_XOR), NULLREGION);
    DeleteObject(box);
    DeleteObject(region);
}

TEST_F(MainWindowTest, SkinChangesByAtomDropAndSettings) {
    CreateMain();
    // The program's own frames: 32 x 32, shaped like the character.
    ExpectPlacedSize(32, 32);
    EXPECT_EQ(CurrentSkinModule(), nullptr);
    const RECT own = RegionBox(main_);
    EXPECT_GT(own.right, own.left);
    EXPECT_FALSE(RegionContains(main_, 0, 31)) << "the key colour's corner is cut away";

    // A second instance hands a library over as an atom.
    const ATOM atom = GlobalAddAtomA(FixturePath().c_str());
    SendMessageA(main_, MSG_SKINCHANGE, 0, atom);
    Pump();
    EXPECT_EQ(GlobalFindAtomA(FixturePath().c_str()), 0) << "the atom is deleted";
    EXPECT_NE(CurrentSkinModule(), nullptr);
    EXPECT_EQ(MainState().face, 1);
    ExpectPlacedSize(36, 28);
    EXPECT_EQ(RegionBox(main_).right, 34);

    // A reload from the settings without a skin goes back to the program.
    SendMessageA(main_, MSG_SKINCHANGE, 0, 0);
    Pump();
    EXPECT_EQ(CurrentSkinModule(), nullptr);
    ExpectPlacedSize(32, 32);

    // A library dropped on the character, its name in upper case.
    const std::string upper = ::testing::TempDir() + "SHAPES.DLL";
    ASSERT_TRUE(CopyFileA(FixturePath().c_str(), upper.c_str(), FALSE));
    SendMessageA(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(upper)), 0);
    Pump();
    EXPECT_NE(CurrentSkinModule(), nullptr);
    ExpectPlacedSize(36, 28);
    SendMessageA(main_, MSG_SKINCHANGE, 0, 0);  // lets the copy go
    DeleteFileA(upper.c_str());
}

// The whole frame resource: the example skin recolours the character, so its
// colour tables differ even where its pixel indexes do not.
std::string FrameResource(int frame) {
    const std::optional<LockedFrame> locked = LockFrameBits(frame);
    return locked ? std::string(locked->resource) : std::string();
}

TEST_F(MainWindowTest, ExampleSkinChangesTheFramesAndKeepsTheIcon) {
#ifndef PELL_TEST_SKIN_DLL
    GTEST_SKIP() << "the example skin is not built";
#else
    store_->Write("Control", "TaskTray", "Yes");
    CreateMain();
    const bool iconShown = MainState().tray.present();
    std::vector<std::string> own;
    for (int frame = 1; frame <= 6; ++frame)
        own.push_back(FrameResource(frame));
    const std::string skin = pell::testing::WindowsPath(PELL_TEST_SKIN_DLL);
    SendMessageA(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(skin)), 0);
    Pump();
    ASSERT_NE(CurrentSkinModule(), nullptr);
    for (int frame = 1; frame <= 6; ++frame) {
        SCOPED_TRACE(frame);
        const std::string resource = FrameResource(frame);
        EXPECT_FALSE(resource.empty());
        EXPECT_TRUE(resource != own[static_cast<std::size_t>(frame - 1)]);
    }
    EXPECT_EQ(MainState().face, 1);
    ExpectPlacedSize(32, 32);
    EXPECT_EQ(MainState().tray.present(), iconShown) << "the icon is applied again";
#endif
}

// The pixels of frame `frame` as DrawFrame paints them at the current scale.
std::vector<COLORREF> DrawnPixels(int frame, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bits);
    DrawFrame(dc, frame);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    }
    SelectObject(dc, old);
    DeleteObject(bits);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(MainWindowTest, TheCharacterGrowsByWholePixelsWithTheScreensDpi) {
    UseFixtureSkin();
    CreateMain();
    SetFace(main_, 4);  // a disc in 1..31 of a 32 x 32 frame
    Pump();
    const std::vector<COLORREF> own = DrawnPixels(4, 32, 32);
    const struct {
        int dpi;
        int scale;
    } cases[] = {{192, 2}, {288, 3}, {120, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested = WindowRect(main_);
        SendMessageA(main_, kMessageDpiChanged, MAKEWPARAM(c.dpi, c.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        Pump();
        const int s = c.scale;
        ExpectPlacedSize(32 * s, 32 * s);
        const RECT disc = RegionBox(main_);
        EXPECT_EQ(disc.left, s);
        EXPECT_EQ(disc.right, 31 * s);
        EXPECT_TRUE(RegionContains(main_, 16 * s, 16 * s));
        EXPECT_FALSE(RegionContains(main_, 2 * s + s - 1, 2 * s + s - 1)) << "outside the disc";
        // The pointer's tests use the same shape.
        const RECT at = WindowRect(main_);
        SetCursorPos(at.left + 16 * s, at.top + 16 * s);
        EXPECT_FALSE(IsPointerOutside(main_));
        SetCursorPos(at.left + 2 * s, at.top + 2 * s);
        EXPECT_TRUE(IsPointerOutside(main_));
        // Nearest neighbour: every picture pixel a sharp s x s square.
        const std::vector<COLORREF> drawn = DrawnPixels(4, 32 * s, 32 * s);
        int differing = 0;
        for (int y = 0; y < 32 * s; ++y) {
            for (int x = 0; x < 32 * s; ++x)
                differing += drawn[y * 32 * s + x] != own[(y / s) * 32 + x / s];
        }
        EXPECT_EQ(differing, 0);
        SetFace(main_, 4);  // the pointer on it made it pleased
        Pump();
    }
    SetCursorPos(0, 0);
}

TEST_F(MainWindowTest, EachFaceIsPaintedInsideItsShape) {
    // Topmost, so that no other window of a parallel test covers it.
    store_->Write("Control", "Topmost", "Yes");
    CreateMain();
    const struct {
        int face;
        bool phase;
        int frame;
        const char* name;
    } faces[] = {{1, false, 1, "idle"},       {2, false, 2, "pleased"}, {3, false, 3, "letter"},
                 {3, true, 6, "letter-wide"}, {4, false, 4, "crying"},  {5, false, 5, "thinking"}};
    HDC screen = GetDC(nullptr);
    for (const auto& f : faces) {
        SCOPED_TRACE(f.name);
        SetFace(main_, f.face);
        MainState().animationPhase = f.phase;
        InvalidateRect(main_, nullptr, FALSE);
        UpdateWindow(main_);
        Pump();
        const RECT at = WindowRect(main_);
        const int width = at.right - at.left;
        const int height = at.bottom - at.top;
        HDC shot = CreateCompatibleDC(screen);
        HBITMAP shotBits = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ oldShot = SelectObject(shot, shotBits);
        BitBlt(shot, 0, 0, width, height, screen, at.left, at.top, SRCCOPY);
        HDC drawn = CreateCompatibleDC(screen);
        HBITMAP drawnBits = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ oldDrawn = SelectObject(drawn, drawnBits);
        DrawFrame(drawn, f.frame);
        int inside = 0;
        int differing = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (!RegionContains(main_, x, y))
                    continue;
                ++inside;
                if (GetPixel(shot, x, y) != GetPixel(drawn, x, y))
                    ++differing;
            }
        }
        EXPECT_GT(inside, 100);
        EXPECT_EQ(differing, 0);
        SelectObject(shot, oldShot);
        SaveBitmap(shot, shotBits, width, height, ProgramFolder() + "character-" + f.name + ".bmp");
        SelectObject(drawn, oldDrawn);
        DeleteObject(drawnBits);
        DeleteObject(shotBits);
        DeleteDC(drawn);
        DeleteDC(shot);
    }
    ReleaseDC(nullptr, screen);
}

TEST_F(MainWindowTest, DroppedFilesThatAreNoSkinChangeNothing) {
    UseFixtureSkin();
    CreateMain();
    SetFace(main_, 4);
    Pump();
    const HMODULE skin = CurrentSkinModule();
    const std::string bitmap = ::testing::TempDir() + "picture.bmp";
    const std::string notALibrary = ::testing::TempDir() + "notes.dll";
    for (const std::string& path : {bitmap, notALibrary}) {
        SCOPED_TRACE(path);
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("BM not a library", file);
        std::fclose(file);
        SendMessageA(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(path)), 0);
        Pump();
        EXPECT_EQ(CurrentSkinModule(), skin);
        EXPECT_EQ(MainState().face, 4);
        ExpectPlacedSize(32, 32);
        EXPECT_EQ(RegionBox(main_).right, 31);
        std::remove(path.c_str());
    }
    // Path pointers that do not come from a drop are never followed, and
    // there is no request of another kind.
    const std::string stray = FixturePath();
    PostMessageA(main_, MSG_SKINCHANGE, 1, reinterpret_cast<LPARAM>(stray.c_str()));
    PostMessageA(main_, MSG_SKINCHANGE, 1, 1);
    SendMessageA(main_, MSG_SKINCHANGE, 1, reinterpret_cast<LPARAM>(stray.c_str()));
    SendMessageA(main_, MSG_SKINCHANGE, 7, 1);
    Pump();
    EXPECT_EQ(CurrentSkinModule(), skin);
    EXPECT_EQ(MainState().face, 4);
}

TEST_F(MainWindowTest, WatchdogExpiryGivesTimeOutAndOneRefresh) {
    UseFixtureSkin();
    ListAccounts(2);
    for (const char* section : {"POP1", "POP2"}) {
        store_->Write(section, "Check", "Yes");
        store_->Write(section, "Timer", "0");
    }
    HoldChecks();
    CreateMain();

    SendMessageA(main_, WM_COMMAND, 297, 0);  // check now: the last account first
    ASSERT_EQ(held_.size(), 1u);
    EXPECT_EQ(held_[0].timerId, 11u);
    const AccountList& accounts = *MainState().scheduler->accounts();
    EXPECT_EQ(accounts[1].status.load(), kStatusChecking);

    SendMessageA(main_, WM_TIMER, 10001, 0);  // the watchdog of POP2 expires
    EXPECT_EQ(accounts[1].status.load(), kStatusTimeOut);
    EXPECT_FALSE(MainState().scheduler->checkRunning());
    // The hanging worker wakes up late: it may post nothing any more.
    held_[0].host->PostCheckDone();
    held_[0].host->ClearCheckRunning();
    int refreshes = 0;
    MSG msg;
    while (PeekMessageA(&msg, main_, MSG_CHECKDONE, MSG_CHECKDONE, PM_REMOVE)) {
        ++refreshes;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(MainState().mailState, 2);
    // The refresh went on with the pass: POP1 is checked now.
    ASSERT_EQ(held_.size(), 2u);
    EXPECT_EQ(held_[1].timerId, 10u);

    // POP1 ends normally; the pass is over and the error face shows.
    ASSERT_TRUE(held_[1].run->Commit());
    (*held_[1].accounts)[0].status = kStatusOk;
    held_[1].host->ClearCheckRunning();
    held_[1].host->PostCheckDone();
    Pump();
    EXPECT_FALSE(MainState().scheduler->passRunning());
    EXPECT_EQ(MainState().face, 4);
    ExpectPlacedSize(32, 32);
}

TEST_F(MainWindowTest, SleepEndsTheCheckAndWakingChecksAllAfterAWait) {
    ListAccounts(1);
    store_->Write("POP1", "Timer", "600");
    store_->Write("POP1", "OffsetTimer", "600");
    HoldChecks();
    CreateMain();
    SendMessageA(main_, WM_COMMAND, 297, 0);
    ASSERT_EQ(held_.size(), 1u);
    held_[0].host->ShowThinkingFace();
    Pump();
    EXPECT_EQ(MainState().face, 5);

    EXPECT_EQ(SendMessageA(main_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), TRUE);
    EXPECT_TRUE(held_[0].run->abandoned());
    Pump();  // the refresh after the abandoned check
    EXPECT_FALSE(MainState().scheduler->checkRunning());
    EXPECT_EQ(MainState().face, 1);

    SendMessageA(main_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(MainState().scheduler->waitingForNetwork());
    SendMessageA(main_, WM_TIMER, 10, 0);  // an overdue check timer waits too
    EXPECT_EQ(held_.size(), 1u);
    SendMessageA(main_, WM_TIMER, kTimerNetworkWait, 0);
    ASSERT_EQ(held_.size(), 2u);
    EXPECT_TRUE(held_[1].passRunning);
    EXPECT_FALSE(MainState().scheduler->waitingForNetwork());
}

TEST_F(MainWindowTest, MovesAreSavedAndEmptyPositionsCentre) {
    UseFixtureSkin();
    CreateMain();
    SetWindowPos(main_, nullptr, 210, 230, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    EXPECT_EQ(store_->ReadText("Control", "posx", "", 20), "210");
    EXPECT_EQ(store_->ReadText("Control", "posy", "", 20), "230");
    DestroyMain();

    store_->DeleteKey("Control", "posx");
    store_->DeleteKey("Control", "posy");
    CreateMain();
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const RECT rect = WindowRect(main_);
    EXPECT_EQ(rect.left, (desktop.left + desktop.right) / 2 - 18);
    EXPECT_EQ(rect.top, (desktop.top + desktop.bottom) / 2 - 14);
}

TEST_F(MainWindowTest, ACharacterOutsideEveryScreenComesBackWithoutSavingThePlace) {
    UseFixtureSkin();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    struct Case {
        const char* posx;
        const char* posy;
        int left, top;
    };
    const Case cases[] = {
        {"50000", "40000", static_cast<int>(work.right) - 36, static_cast<int>(work.bottom) - 28},
        {"-30000", "100", static_cast<int>(work.left), 100},
        {"-18", "100", -18, 100},  // half off the edge: where the user parked it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.posx);
        store_->Write("Control", "posx", c.posx);
        store_->Write("Control", "posy", c.posy);
        CreateMain();
        RECT rect = WindowRect(main_);
        EXPECT_EQ(rect.left, c.left);
        EXPECT_EQ(rect.top, c.top);
        // The screens change again: the same decision, and still nothing saved.
        SendMessageA(main_, WM_DISPLAYCHANGE, 32, MAKELPARAM(work.right, work.bottom));
        rect = WindowRect(main_);
        EXPECT_EQ(rect.left, c.left);
        EXPECT_EQ(store_->ReadText("Control", "posx", "", 20), c.posx);
        EXPECT_EQ(store_->ReadText("Control", "posy", "", 20), c.posy);
        DestroyMain();
    }
    // A move of the user's own is saved.
    CreateMain();
    SetWindowPos(main_, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    EXPECT_EQ(store_->ReadText("Control", "posx", "", 20), "40");
}

TEST_F(MainWindowTest, OnlyNoticesHandedOverByACheckAreTaken) {
    CreateMain();
    const auto host = MakeWindowCheckHost(main_, std::make_shared<CheckRun>(1));
    PostMessageA(main_, MSG_NEWMAIL, 0, 0);
    auto empty = std::make_unique<NewMailNotice>();
    empty->summaries = std::make_unique<MailSummaryList>(3);
    host->PostNewMail(std::move(empty));
    // A pointer that no check handed over is neither shown nor released.
    NewMailNotice stranger;
    stranger.text = "not ours";
    PostMessageA(main_, MSG_NEWMAIL, 0, reinterpret_cast<LPARAM>(&stranger));
    Pump();  // no box opens (it would wait here)
    EXPECT_FALSE(MainState().messageBoxOpen);
    EXPECT_EQ(stranger.text, "not ours");
    // An abandoned check hands nothing over.
    const auto run = std::make_shared<CheckRun>(2);
    const auto late = MakeWindowCheckHost(main_, run);
    run->Abandon();
    auto notice = std::make_unique<NewMailNotice>();
    notice->text = "late";
    late->PostNewMail(std::move(notice));
    late->PostCheckDone();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, main_, MSG_CHECKDONE, MSG_NEWMAIL, PM_NOREMOVE));
}

TEST_F(MainWindowTest, ANewMailNoticeClosesOnlyATooltipThatIsShown) {
    CreateMain();
    MainWindowState& state = MainState();
    // Not shown: a suppressed tooltip stays suppressed, a pending delay runs on.
    state.tooltipSuppressed = true;
    SetTimer(main_, 3, 10, nullptr);
    SendMessageA(main_, MSG_NEWMAIL, 0, 0);
    EXPECT_TRUE(state.tooltipSuppressed);
    const bool delayFired = testing_win32::TestWindow::PumpUntil(
        [&](const MSG& msg) {
            return msg.hwnd == main_ && msg.message == WM_TIMER && msg.wParam == 3;
        },
        5000);
    EXPECT_TRUE(delayFired) << "the tooltip delay was stopped";
    // Shown: it closes, and its suppression ends with it.
    state.tooltipShown = true;
    SendMessageA(main_, MSG_NEWMAIL, 0, 0);
    EXPECT_FALSE(state.tooltipShown);
    EXPECT_FALSE(state.tooltipSuppressed);
}

TEST_F(MainWindowTest, NoticeBoxOpensAndTheCloserTimerEndsIt) {
    store_->Write("Control", "DefaultMessageBox", "Yes");
    CreateMain();
    // The worker arms the closer with the notice (as it does with Popuptimer).
    PostMessageA(main_, MSG_HOST_SETTIMER, 2, 50);
    auto notice = std::make_unique<NewMailNotice>();
    notice->text = "Home にメールが1通届いています。";
    notice->summaries = std::make_unique<MailSummaryList>();
    notice->summaries->push_back({"2026/12/07 05:00", "Bob", "hello", "", ""});
    MakeWindowCheckHost(main_, std::make_shared<CheckRun>(1))->PostNewMail(std::move(notice));
    Pump();  // returns once timer 2 has closed the box
    EXPECT_FALSE(MainState().messageBoxOpen);
    EXPECT_EQ(FindWindowA(nullptr, "メール着信通知"), nullptr);
}

TEST_F(MainWindowTest, DoubleClickStartsTheMailProgramOfTheLastNewMail) {
    ListAccounts(2);
    store_->Write("POP2", "Mailer", "C:\\no such folder\\mailer.exe");
    CreateMain();
    const AccountList& accounts = *MainState().scheduler->accounts();
    // No new mail yet: a double click starts nothing.
    SendMessageA(main_, WM_LBUTTONUP, 0, 0);
    SendMessageA(main_, WM_LBUTTONUP, 0, 0);
    EXPECT_NE(accounts[1].status.load(), kStatusLaunchFailed);
    // The worker names POP2 as the account with the latest new mail.
    PostMessageA(main_, MSG_HOST_LASTNEWMAIL, 0, 1);
    Pump();
    SendMessageA(main_, WM_LBUTTONUP, 0, 0);
    SendMessageA(main_, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(accounts[1].status.load(), kStatusLaunchFailed) << "the mailer could not start";
    EXPECT_NE(accounts[0].status.load(), kStatusLaunchFailed);
    // Commands for accounts that do not exist do nothing.
    SendMessageA(main_, WM_COMMAND, 302, 0);
    SendMessageA(main_, WM_COMMAND, 0xFFFF, 0);
}

TEST_F(MainWindowTest, ReloadKeepsCountsAndRestartsStatuses) {
    ListAccounts(1);
    store_->Write("POP1", "Timer", "0");
    CreateMain();
    AccountList& before = *MainState().scheduler->accounts();
    before[0].messageCount = 7;
    before[0].status = kStatusNewMail;
    ListAccounts(2);
    store_->Write("POP2", "Check", "No");
    UseFixtureSkin();
    SendMessageA(main_, MSG_SETTINGSCHANGED, 0, 0);
    Pump();
    const AccountList& after = *MainState().scheduler->accounts();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].messageCount.load(), 7);
    EXPECT_EQ(after[0].status.load(), kStatusNotChecked);
    EXPECT_EQ(after[1].status.load(), kStatusCheckOff);
    // The skin was read again from the settings.
    EXPECT_NE(CurrentSkinModule(), nullptr);
    ExpectPlacedSize(36, 28);
}

}  // namespace
}  // namespace pell
