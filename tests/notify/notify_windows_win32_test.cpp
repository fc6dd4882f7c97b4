// The new-mail list, the viewer and the tooltip in this process, driven with
// messages and the pointer: the hand-over of a notice by the main window, the
// list's size and closing, the viewer and its copy, dragging both, the wheel
// through the registered message, the tooltip, the quiet rule while the user
// is busy, and that no GDI or USER object is left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "character/character_window_test_win32.h"
#include "character/main_window_state_win32.h"
#include "character/screen_dpi_win32.h"
#include "character/test_window_win32.h"
#include "character/window_check_host_win32.h"
#include "notify/face_font_win32.h"
#include "notify/gdi_text_measurer_win32.h"
#include "notify/list_layout.h"
#include "notify/list_window_win32.h"
#include "notify/tooltip_layout.h"
#include "notify/tooltip_window_win32.h"
#include "notify/user_presence_win32.h"
#include "notify/viewer_window_state_win32.h"
#include "notify/viewer_window_win32.h"
#include "settings/ini_file_store.h"
#include "startup/process_values.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

using testing_win32::Pump;
using testing_win32::TestWindow;
using testing_win32::WindowRect;

bool PumpFor(DWORD ms, const std::function<bool()>& done) {
    return TestWindow::PumpUntil([&](const MSG&) { return done(); }, ms) || done();
}

// Height of a line of the font the list uses by default.
TextSize Measured(const char* face, int height, const std::string& text) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    TextSize size;
    {
        UniqueFont font = MakeFaceFont(dc, face, height);
        SelectedObject selected(dc, font.get());
        GdiTextMeasurer measurer(dc);
        size = measurer.Measure(text);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return size;
}

std::string ViewerText(int bodyLines) {
    std::string text =
        "Subject: 会議の件\r\nFrom: 山田 <yamada@pell.test>\r\nDate: 2026/12/07 09:30:00\r\n\r\n";
    for (int i = 1; i <= bodyLines; ++i)
        text += "本文の" + std::to_string(i) + "行目です。\r\n";
    return text + "(max 60 lines)...";
}

std::unique_ptr<NewMailNotice> ThreeMails() {
    auto notice = std::make_unique<NewMailNotice>();
    notice->text = "会社 にメールが3通届いています。";
    notice->accountName = "POP1";
    notice->accountIndex = 0;
    notice->body = true;
    notice->summaries = std::make_unique<MailSummaryList>();
    const char* subjects[] = {"会議の件", "お見積りのお願い", "週末の予定について"};
    for (int i = 0; i < 3; ++i) {
        notice->summaries->push_back({"2026/12/07 09:3" + std::to_string(i) + ":00",
                                      "山田 <yamada@pell.test>", subjects[i],
                                      "uidl-" + std::to_string(i + 1), ViewerText(60)});
    }
    return notice;
}

class BusyFlag final : public UserPresence {
  public:
    bool IsBusy() override { return busy; }
    bool busy = false;
};

class NotifyWindowsTest : public testing_win32::CharacterWindowTest {
  protected:
    void SetUp() override {
        CharacterWindowTest::SetUp();
        SetUserPresenceForTesting(&presence_);
        store_->Write("Control", "posx", "40");
        store_->Write("Control", "posy", "40");
        ListAccounts(2);
        store_->Write("POP1", "Popname", "会社");
        store_->Write("POP2", "Popname", "自宅");
        for (const char* section : {"POP1", "POP2"})
            store_->Write(section, "Timer", "0");
    }

    void TearDown() override {
        for (const char* cls : {kListWindowClass, kViewerWindowClass, kTooltipWindowClass}) {
            while (HWND left = FindWindowA(cls, nullptr))
                DestroyWindow(left);
        }
        CharacterWindowTest::TearDown();
        SetUserPresenceForTesting(nullptr);
    }

    void PostNotice(std::unique_ptr<NewMailNotice> notice) {
        MakeWindowCheckHost(main_, std::make_shared<CheckRun>(1))->PostNewMail(std::move(notice));
    }

    // The list's screen point in the middle of message line `line`.
    static POINT LinePoint(HWND list, int line) {
        const int cy = Measured(kDefaultFontFace, 12, "x").cy;
        POINT point{60, line * cy + 2 + cy / 2};
        ClientToScreen(list, &point);
        return point;
    }

    BusyFlag presence_;
};

TEST_F(NotifyWindowsTest, ListAppearsTopmostUnfocusedSizedToItsLinesAndClosesByItself) {
    store_->Write("POP1", "Popuptimer", "Yes");
    store_->Write("Control", "MessageKillTimer", "1");
    CreateMain();
    HWND before = GetForegroundWindow();
    std::unique_ptr<NewMailNotice> notice = ThreeMails();
    int widest = 0;
    for (std::size_t line = 0; line < 4; ++line)
        widest = std::max(widest, Measured(kDefaultFontFace, 12, ListLineText(*notice, line)).cx);
    PostNotice(std::move(notice));
    Pump();
    HWND list = FindWindowA(kListWindowClass, "POP1");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetFocus(), list);
    EXPECT_NE(GetForegroundWindow(), list);
    EXPECT_EQ(GetForegroundWindow(), before);
    const RECT rect = WindowRect(list);
    const int cy = Measured(kDefaultFontFace, 12, "x").cy;
    EXPECT_EQ(rect.bottom - rect.top, 4 * cy + 5);
    EXPECT_EQ(rect.right - rect.left, widest + 17);
    // Centred on the desktop, since it does not follow the pointer.
    RECT desktop = WindowRect(GetDesktopWindow());
    EXPECT_EQ(rect.left, desktop.left + (desktop.right - desktop.left - (widest + 17)) / 2);
    EXPECT_TRUE(PumpFor(4000, [&] { return !IsWindow(list); })) << "closed after 1 s";
}

TEST_F(NotifyWindowsTest, DefaultMessageBoxShowsTheBoxInstead) {
    store_->Write("Control", "DefaultMessageBox", "Yes");
    CreateMain();
    bool sawBox = false;
    bool sawList = false;
    std::thread closer([&] {
        for (int i = 0; i < 300 && !sawBox; ++i) {
            if (HWND box = FindWindowA(nullptr, "メール着信通知")) {
                sawBox = true;
                sawList = FindWindowA(kListWindowClass, nullptr) != nullptr;
                PostMessageA(box, WM_CLOSE, 0, 0);
            }
            Sleep(20);
        }
    });
    PostNotice(ThreeMails());
    Pump();  // returns once the box has been closed
    closer.join();
    EXPECT_TRUE(sawBox);
    EXPECT_FALSE(sawList);
    EXPECT_EQ(FindWindowA(kListWindowClass, nullptr), nullptr);
}

TEST_F(NotifyWindowsTest, ClickOpensTheViewerWhichCopiesItsWholeText) {
    CreateMain();
    PostNotice(ThreeMails());
    Pump();
    HWND list = FindWindowA(kListWindowClass, "POP1");
    ASSERT_NE(list, nullptr);
    // The pointer on the second message: it is highlighted, a click opens it.
    const POINT at = LinePoint(list, 2);
    SetCursorPos(at.x, at.y);
    POINT client = at;
    ScreenToClient(list, &client);
    SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    Pump();
    HWND viewer = FindWindowA(kViewerWindowClass, "uidl-2");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ListViewer(list), viewer);
    const RECT rect = WindowRect(viewer);
    const int cy = Measured(kDefaultFontFace, 12, "x").cy;
    EXPECT_EQ((rect.bottom - rect.top - 5) % cy, 0) << "whole lines";
    EXPECT_LE(rect.bottom - rect.top, 405);
    EXPECT_EQ(rect.left, at.x + 17);
    EXPECT_EQ(rect.top, at.y + 18);

    // Scrolled or not, the copy is the whole text, byte for byte.
    SendMessageA(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
    Pump();
    SendMessageA(viewer, WM_COMMAND, kViewerCommandCopy, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* copied = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    EXPECT_EQ(copied ? std::string(copied) : std::string(), ViewerText(60));
    if (copied)
        GlobalUnlock(data);
    CloseClipboard();

    // Pointing at another line replaces the viewer by one for that line once
    // the pointer rests there; passing over it does not.
    const POINT third = LinePoint(list, 3);
    SetCursorPos(third.x, third.y);
    client = third;
    ScreenToClient(list, &client);
    SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    Pump();
    EXPECT_TRUE(IsWindow(viewer)) << "not yet: the pointer may be on its way to the viewer";
    EXPECT_TRUE(PumpFor(3000, [&] { return !IsWindow(viewer) && ListViewer(list); }));
    HWND replaced = ListViewer(list);
    ASSERT_NE(replaced, nullptr);
    // A press takes the viewer over (on the close square, so that no drag
    // starts): the list forgets it, and closing the list leaves it on screen.
    const RECT taken = WindowRect(replaced);
    SendMessageA(replaced, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(taken.right - taken.left - 8, 5));
    EXPECT_EQ(ListViewer(list), nullptr);
    SendMessageA(list, WM_TIMER, kListTimerClose, 0);
    EXPECT_FALSE(IsWindow(list));
    EXPECT_TRUE(IsWindow(replaced));
    SendMessageA(replaced, WM_COMMAND, kViewerCommandClose, 0);
    EXPECT_FALSE(IsWindow(replaced));
}

TEST_F(NotifyWindowsTest, LeavingWatchSparesAViewerInUseAndClosesItOnceBothAreLeft) {
    // Where the pointer is when the list's leaving watch looks, and whether the
    // viewer's menu is open: only a pointer away from both windows closes it.
    const struct {
        const char* name;
        bool onViewer;
        bool menuOpen;
        bool stays;
    } cases[] = {
        {"on the viewer", true, false, true},
        {"on the viewer's menu, outside it", false, true, true},
        {"away from both", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND list = OpenNewMailList(ThreeMails(), *store_, {200, 200});
        ASSERT_NE(list, nullptr);
        const POINT line = LinePoint(list, 1);
        SetCursorPos(line.x, line.y);
        POINT client = line;
        ScreenToClient(list, &client);
        SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        HWND viewer = ListViewer(list);
        ASSERT_NE(viewer, nullptr);
        const RECT listRect = WindowRect(list);
        const RECT viewerRect = WindowRect(viewer);
        const POINT away{5, 5};  // above and left of both
        const POINT at = c.onViewer ? POINT{viewerRect.right - 20, viewerRect.bottom - 5} : away;
        ASSERT_FALSE(PtInRect(&listRect, at));
        if (c.menuOpen)
            SendMessageA(viewer, WM_ENTERMENULOOP, TRUE, 0);
        SetCursorPos(at.x, at.y);
        SendMessageA(list, WM_TIMER, kListTimerLeaving, 0);
        Pump();
        EXPECT_EQ(IsWindow(viewer) != FALSE, c.stays);
        if (c.stays) {
            EXPECT_EQ(ListViewer(list), viewer);
            // Leaving both (the menu closed) still closes it.
            SendMessageA(viewer, WM_EXITMENULOOP, TRUE, 0);
            SetCursorPos(away.x + 1, away.y);
            SendMessageA(list, WM_TIMER, kListTimerLeaving, 0);
            Pump();
            EXPECT_FALSE(IsWindow(viewer));
        }
        DestroyWindow(list);
        Pump();
    }
}

TEST_F(NotifyWindowsTest, ListAndViewerFollowTheirScreensDpi) {
    HWND list = OpenNewMailList(ThreeMails(), *store_, {200, 200});
    ASSERT_NE(list, nullptr);
    HWND viewer = OpenMessageViewer(list, ViewerText(60), ViewerLook{}, "v", {300, 300});
    ASSERT_NE(viewer, nullptr);
    const RECT listBefore = WindowRect(list);
    // The list moved to a 200 % screen: its font and spacings double, and it
    // stays where the system suggests.
    RECT suggested{listBefore.left + 10, listBefore.top + 20, listBefore.right, listBefore.bottom};
    SendMessageA(list, kMessageDpiChanged, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    std::unique_ptr<NewMailNotice> notice = ThreeMails();
    int widest = 0;
    for (std::size_t line = 0; line < 4; ++line)
        widest = std::max(widest, Measured(kDefaultFontFace, 24, ListLineText(*notice, line)).cx);
    const int cy = Measured(kDefaultFontFace, 24, "x").cy;
    const RECT list2 = WindowRect(list);
    EXPECT_EQ(list2.left, suggested.left);
    EXPECT_EQ(list2.top, suggested.top);
    EXPECT_EQ(list2.right - list2.left, widest + 10 + 24);
    EXPECT_EQ(list2.bottom - list2.top, 4 * cy + 10);
    // Its close square doubled too: a click there closes the list.
    const int w = list2.right - list2.left;
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(w - 20, 19));
    EXPECT_FALSE(IsWindow(list));

    // The viewer: whole lines of the doubled font under the doubled limit.
    const RECT viewerBefore = WindowRect(viewer);
    SendMessageA(viewer, kMessageDpiChanged, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&viewerBefore));
    const RECT viewer2 = WindowRect(viewer);
    EXPECT_EQ(viewer2.left, viewerBefore.left);
    EXPECT_EQ((viewer2.bottom - viewer2.top - 10) % cy, 0);
    EXPECT_GT(viewer2.bottom - viewer2.top, 405);
    EXPECT_LE(viewer2.bottom - viewer2.top, 810);
    const int vw = viewer2.right - viewer2.left;
    SendMessageA(viewer, WM_LBUTTONUP, 0, MAKELPARAM(vw - 20, 19));
    EXPECT_FALSE(IsWindow(viewer));
}

void PressLeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

TEST_F(NotifyWindowsTest, DraggingMovesTheListAndTheViewer) {
    // Queued as the system would queue them: the message that starts the drag
    // (a press on the viewer, a move with the button held over the list), a
    // move to start + delta, and the release that ends the system's move loop.
    const struct {
        bool viewer;
        POINT delta;
    } cases[] = {{false, {40, 25}}, {false, {-30, -20}}, {true, {35, 30}}, {true, {-25, 15}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.viewer ? "viewer " : "list ") << c.delta.x << "," << c.delta.y);
        HWND list = OpenNewMailList(ThreeMails(), *store_, {200, 200});
        ASSERT_NE(list, nullptr);
        HWND viewer = nullptr;
        if (c.viewer) {
            viewer = OpenMessageViewer(list, ViewerText(5), ViewerLook{}, "v", {300, 300});
            ASSERT_NE(viewer, nullptr);
        }
        HWND dragged = c.viewer ? viewer : list;
        const RECT before = WindowRect(dragged);
        const POINT start =
            c.viewer ? POINT{before.left + 20, before.top + 20} : LinePoint(list, 1);
        POINT client = start;
        ScreenToClient(dragged, &client);
        SetCursorPos(start.x, start.y);
        if (c.viewer) {
            PostMessageA(viewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        } else {
            PressLeftButton(true);
            PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        }
        SetCursorPos(start.x + c.delta.x, start.y + c.delta.y);
        PostMessageA(dragged, WM_MOUSEMOVE, MK_LBUTTON, 0);
        PostMessageA(dragged, WM_LBUTTONUP, 0, 0);
        SetCursorPos(start.x, start.y);
        Pump();
        if (!c.viewer)
            PressLeftButton(false);
        const RECT after = WindowRect(dragged);
        EXPECT_EQ(after.left, before.left + c.delta.x);
        EXPECT_EQ(after.top, before.top + c.delta.y);
        EXPECT_EQ(after.right - after.left, before.right - before.left);
        if (c.viewer) {
            EXPECT_EQ(ListViewer(list), nullptr) << "a press takes the viewer from its list";
        }
        Pump();
        while (HWND left = FindWindowA(kViewerWindowClass, nullptr))
            DestroyWindow(left);
        DestroyWindow(list);
        Pump();
    }
}

TEST_F(NotifyWindowsTest, RegisteredWheelMessageScrollsTheViewer) {
    const UINT registered = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    const struct {
        const char* name;
        bool isRegistered;  // the run found the registered message in use
        UINT message;
        WPARAM wParam;
        int scroll;
    } cases[] = {
        {"the registered message's wParam is the delta", true, registered, 0xFFFFFF88u, 3},
        {"two notches", true, registered, static_cast<WPARAM>(-240), 6},
        {"a 16-bit delta", true, registered, 0xFF88u, 3},
        {"toward the user stops at 3", true, registered, 120, 3},
        {"not in use: the number means nothing", false, registered, 0xFFFFFF88u, 0},
        {"WM_MOUSEWHEEL: the high word", false, WM_MOUSEWHEEL, MAKEWPARAM(0, 0xFF88), 3},
    };
    const ProcessValues saved = Process();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Process().wheelMessage = c.isRegistered ? registered : WM_MOUSEWHEEL;
        Process().wheelIsRegistered = c.isRegistered;
        HWND viewer = OpenMessageViewer(nullptr, ViewerText(60), ViewerLook{}, "v", {100, 100});
        ASSERT_NE(viewer, nullptr);
        SendMessageA(viewer, c.message, c.wParam, MAKELPARAM(120, 120));
        EXPECT_EQ(ViewerState(viewer)->scrollLine, c.scroll);
        DestroyWindow(viewer);
    }
    Process() = saved;
}

TEST_F(NotifyWindowsTest, TooltipAppearsAfterTheDelayAndListsTheAccounts) {
    store_->Write("Control", "ToolTipDelay", "1");
    CreateMain();
    AccountList& accounts = *MainState().scheduler->accounts();
    accounts[0].messageCount = 3;
    accounts[0].status = -6;
    const RECT character = WindowRect(main_);
    const POINT on{(character.left + character.right) / 2, (character.top + character.bottom) / 2};
    SetCursorPos(on.x, on.y);
    SendMessageA(main_, WM_MOUSEMOVE, 0, 0);
    ASSERT_TRUE(PumpFor(3000, [] { return MainState().tooltip != nullptr; }));
    HWND tooltip = MainState().tooltip;
    EXPECT_TRUE(MainState().tooltipShown);
    EXPECT_TRUE(IsWindowVisible(tooltip));
    const TextSize first = Measured(kTooltipFontFace, 12, "3件 会社(新着ﾒｰﾙ)");
    const TextSize second = Measured(kTooltipFontFace, 12, "0件 自宅(未ﾁｪｯｸ)");
    const RECT rect = WindowRect(tooltip);
    EXPECT_EQ(rect.right - rect.left, std::max(first.cx, second.cx) + 6);
    EXPECT_EQ(rect.bottom - rect.top, first.cy + second.cy + 5);
    // The pointer moving onto it closes it at once.
    SendMessageA(tooltip, WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(MainState().tooltip, nullptr);
    EXPECT_FALSE(MainState().tooltipShown);
}

TEST_F(NotifyWindowsTest, NoticesWaitWhileTheUserIsBusy) {
    CreateMain();
    presence_.busy = true;
    PostNotice(ThreeMails());
    auto second = ThreeMails();
    second->accountName = "POP2";
    PostNotice(std::move(second));
    Pump();
    EXPECT_EQ(FindWindowA(kListWindowClass, nullptr), nullptr);
    EXPECT_EQ(MainState().waitingNotices.size(), 2u);
    SendMessageA(main_, WM_TIMER, kTimerQuietWait, 0);  // still busy
    EXPECT_EQ(FindWindowA(kListWindowClass, nullptr), nullptr);
    presence_.busy = false;
    SendMessageA(main_, WM_TIMER, kTimerQuietWait, 0);
    EXPECT_NE(FindWindowA(kListWindowClass, "POP1"), nullptr);
    EXPECT_NE(FindWindowA(kListWindowClass, "POP2"), nullptr) << "one list per notice";
    EXPECT_TRUE(MainState().waitingNotices.empty());
}

TEST_F(NotifyWindowsTest, HostileTextStillPaints) {
    auto notice = ThreeMails();
    (*notice->summaries)[0].subject = std::string(1 << 20, 'S') + "\x82";
    (*notice->summaries)[1].viewer = std::string(4 << 20, 'v') + "\x82";
    std::string lines;
    for (int i = 0; i < 5000; ++i)
        lines += "\r\n";
    (*notice->summaries)[2].viewer = lines;
    HWND list = OpenNewMailList(std::move(notice), *store_, {100, 100});
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE)) << "showing it left no second paint";
    const RECT rect = WindowRect(list);
    EXPECT_GT(rect.right - rect.left, 100);
    EXPECT_LT(rect.right - rect.left, 20000) << "a megabyte subject is cut";
    for (const char* title : {"wide", "empty lines"}) {
        ViewerLook look;
        const std::string& text = std::string(title) == "wide" ? std::string(4 << 20, 'v') : lines;
        HWND viewer = OpenMessageViewer(list, text, look, title, {50, 50});
        ASSERT_NE(viewer, nullptr) << title;
        EXPECT_FALSE(GetUpdateRect(viewer, nullptr, FALSE)) << title;
        const RECT at = WindowRect(viewer);
        EXPECT_LE(at.bottom - at.top, 405) << title;
        EXPECT_LE(at.right - at.left, 500 + 17 + 2) << title;
        SendMessageA(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-1200)), 0);
        UpdateWindow(viewer);
        SendMessageA(viewer, WM_TIMER, kViewerTimerClose, 0);
        EXPECT_FALSE(IsWindow(viewer));
    }
    DestroyWindow(list);
}

// GDI and USER objects of this process. Where the system does not count them
// (Wine), the handle slots that answer are counted instead.
DWORD GuiObjects(DWORD kind) {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), kind);
    if (counted)
        return counted;
    DWORD live = 0;
    for (UINT_PTR slot = 0x10; slot < 0x10000; ++slot) {
        if (kind == GR_GDIOBJECTS) {
            live += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
        } else {
            live += IsWindow(reinterpret_cast<HWND>(slot)) || IsMenu(reinterpret_cast<HMENU>(slot));
        }
    }
    return live;
}

class Owner final : public TooltipOwner {
  public:
    void TooltipShown() override {}
    void PointerOnTooltip(HWND) override {}
};

TEST_F(NotifyWindowsTest, TwoHundredListsViewersAndTooltipsLeaveNoHandles) {
    Owner owner;
    auto accounts = std::make_shared<AccountList>();
    accounts->emplace_back("POP1");
    // The pointer left by another test (or an end-to-end run on the same
    // screen) must not rest on a list line: it would open viewers of its own.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    const auto cycle = [&] {
        HWND list = OpenNewMailList(ThreeMails(), *store_, {200, 200});
        ASSERT_NE(list, nullptr);
        ViewerLook look;
        HWND viewer = OpenMessageViewer(list, ViewerText(30), look, "v", {220, 220});
        ASSERT_NE(viewer, nullptr);
        SendMessageA(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
        UpdateWindow(viewer);
        HWND tooltip = OpenTooltip({300, 300}, accounts, *store_, owner);
        ASSERT_NE(tooltip, nullptr);
        Pump();
        SendMessageA(viewer, WM_TIMER, kViewerTimerClose, 0);
        SendMessageA(list, WM_TIMER, kListTimerClose, 0);
        SendMessageA(tooltip, WM_MOUSEMOVE, 0, 0);
        Pump();
    };
    cycle();  // fonts, classes and caches of the first use
    const DWORD gdiBefore = GuiObjects(GR_GDIOBJECTS);
    const DWORD userBefore = GuiObjects(GR_USEROBJECTS);
    for (int i = 0; i < 200; ++i)
        cycle();
    const DWORD gdiAfter = GuiObjects(GR_GDIOBJECTS);
    const DWORD userAfter = GuiObjects(GR_USEROBJECTS);
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu\n", gdiBefore, gdiAfter,
                userBefore, userAfter);
    EXPECT_GT(gdiBefore, 0u);
    // A leak would grow by one object a cycle at least; a few windows that a
    // pointer moved by another program opens meanwhile are no leak.
    EXPECT_LE(gdiAfter, gdiBefore + 20);
    EXPECT_LE(userAfter, userBefore + 20);
}

}  // namespace
}  // namespace pell
