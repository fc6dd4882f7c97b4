// The first paints of the pop-up windows under the real text measurement:
// a viewer's two paints for (a) a typical ten-line Japanese message, (b) a
// 100 KB body of 80-byte lines, (c) a 4 MiB body on one line, and the first
// paint of a list of 50 messages.
//
// Each figure is split so that it reads honestly: "all" is what the user
// waits for on a fresh window; "ours" the same paints of a fresh window that
// already stands at its final place and size (the layout, measuring and
// drawing of this program; not the settings a paint reads only when it
// resizes); "map" Wine placing, sizing and showing a fresh window alone, which
// the first paint also pays; "after" draining the messages the system sends
// once the paints are done (a further paint would show there).
// The line layout of (b) and (c) is also timed alone, against the plain
// one-prefix-per-character rule and the platform's fit per line.
// Prints the median of several runs in milliseconds.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "notify/char_width_cache.h"
#include "notify/face_font_win32.h"
#include "notify/gdi_text_measurer_win32.h"
#include "notify/list_layout.h"
#include "notify/list_window_state_win32.h"
#include "notify/list_window_win32.h"
#include "notify/viewer_line_break.h"
#include "notify/viewer_window_state_win32.h"
#include "notify/viewer_window_win32.h"
#include "settings/ini_file_store.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

double TimeMs(const std::function<void()>& once) {
    const auto start = std::chrono::steady_clock::now();
    once();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

RECT RectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Places, sizes and shows a fresh window as its first paint would, and marks
// it painted, so that no paint of ours runs here.
void Map(HWND window, const RECT& rect) {
    SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ValidateRect(window, nullptr);
}

struct Split {
    std::vector<double> all, ours, map, after;
    void Print(const char* name) const {
        std::printf("  %-34s %8.2f %8.2f %8.2f %8.2f\n", name, Median(all), Median(ours),
                    Median(map), Median(after));
    }
};

// `paint` sends a fresh window its first paints; `make` makes one.
Split Measure(int runs, const std::function<HWND()>& make, const std::function<void(HWND)>& paint) {
    Split split;
    for (int i = 0; i < runs; ++i) {
        HWND window = make();
        split.all.push_back(TimeMs([&] { paint(window); }));
        split.after.push_back(TimeMs(Pump));
        const RECT rect = RectOf(window);
        DestroyWindow(window);
        Pump();

        window = make();
        split.map.push_back(TimeMs([&] { Map(window, rect); }));
        DestroyWindow(window);
        Pump();

        // Not pumped after mapping: a paint the system asks for would do ours.
        window = make();
        Map(window, rect);
        split.ours.push_back(TimeMs([&] { paint(window); }));
        DestroyWindow(window);
        Pump();
    }
    return split;
}

std::string Head() {
    return "Subject: 来週の打ち合わせについて\r\nFrom: 田中 一郎 <tanaka@pell.test>\r\n"
           "Date: 2026/12/07 09:30:00\r\n\r\n";
}

std::string TypicalMessage() {
    std::string text = Head();
    const char* lines[] = {"山田さん",
                           "",
                           "いつもお世話になっております。",
                           "来週の打ち合わせは火曜日の午後二時からに変更になりました。",
                           "場所は本社三階の会議室です。",
                           "資料は前日までにお送りします。",
                           "ご都合が悪い場合はお知らせください。",
                           "",
                           "よろしくお願いいたします。",
                           "田中"};
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text + "(max 10 lines)...";
}

std::string EightyByteLines(std::size_t total) {
    std::string text = Head();
    const std::string line = std::string("お知らせ: ") + std::string(66, 'x') + "\r\n";
    while (text.size() < total)
        text += line;
    return text;
}

std::string OneLine(std::size_t total) {
    std::string text = Head();
    while (text.size() < total)
        text += "長い一行の本文abc";
    return text;
}

Split ViewerPaints(const std::string& text, int runs) {
    const ViewerLook look;
    return Measure(
        runs,
        [&] {
            return CreateViewerWindow(nullptr, text, look, "bench", {100, 100});
        },
        [](HWND viewer) {
            SendMessageA(viewer, WM_PAINT, 0, 0);
            SendMessageA(viewer, WM_PAINT, 0, 0);
        });
}

enum class Search { kCached, kPlatformFit, kPlain };

double Layout(const std::string& text, Search search, int runs) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    UniqueFont font = MakeFaceFont(dc, kDefaultFontFace, 12);
    HGDIOBJ old = SelectObject(dc, font.get());
    GdiTextMeasurer measurer(dc);
    std::size_t lines = 0;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        ms.push_back(TimeMs([&] {
            if (search == Search::kCached) {
                CharWidthCache widths;
                CachedWidthMeasurer cached(widths, measurer);
                lines = BreakViewerText(text, cached).size();
            } else if (search == Search::kPlatformFit) {
                lines = BreakViewerText(text, measurer).size();
            } else {
                lines = 0;
                for (std::size_t pos = 0; pos < text.size(); ++lines)
                    pos += NextViewerLineByPrefix(std::string_view(text).substr(pos), measurer)
                               .consumed;
            }
        }));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::printf("    (%zu lines)", lines);
    return Median(ms);
}

std::unique_ptr<NewMailNotice> FiftyMails() {
    auto notice = std::make_unique<NewMailNotice>();
    notice->text = "会社 にメールが50通届いています。";
    notice->accountName = "POP1";
    notice->body = true;
    notice->summaries = std::make_unique<MailSummaryList>();
    for (int k = 0; k < 50; ++k) {
        notice->summaries->push_back({"2026/12/07 09:30:00", "田中 一郎 <tanaka@pell.test>",
                                      "来週の打ち合わせについて " + std::to_string(k), "",
                                      TypicalMessage()});
    }
    return notice;
}

// The list's first paint, then the paints that follow pointer moves over it:
// one that changes nothing on it, one onto another line (the pointer stays
// where the system has it: the highlight follows the keyboard's selection).
void ListPaints(SettingsStore& settings, int runs) {
    const Split first = Measure(
        runs,
        [&] {
            return CreateListWindow(FiftyMails(), settings, {100, 100});
        },
        [](HWND list) { SendMessageA(list, WM_PAINT, 0, 0); });
    first.Print("first paint");
    std::vector<double> same, other;
    for (int i = 0; i < runs; ++i) {
        HWND list = CreateListWindow(FiftyMails(), settings, {100, 100});
        SendMessageA(list, WM_PAINT, 0, 0);
        Pump();
        same.push_back(TimeMs([&] { SendMessageA(list, WM_PAINT, 0, 0); }));
        ListState(list)->closeHot = !ListState(list)->closeHot;
        other.push_back(TimeMs([&] { SendMessageA(list, WM_PAINT, 0, 0); }));
        DestroyWindow(list);
        Pump();
    }
    std::printf("  %-34s %8.2f\n", "a later paint, nothing changed", Median(same));
    std::printf("  %-34s %8.2f\n", "a later paint, close button lit", Median(other));
}

}  // namespace
}  // namespace pell

int main() {
    using namespace pell;
    RegisterWindowClasses(GetModuleHandleA(nullptr));
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    const std::string ini = std::string(temp) + "pell_notify_bench.ini";
    IniFileStore settings(ini);
    // Written once, as a real settings file has them: reading a missing key
    // writes its default back.
    settings.WriteText("Control", "MessageMoveWithMouse", "No");
    settings.WriteText("POP1", "Popuptimer", "No");
    const std::string typical = TypicalMessage();
    const std::string body100k = EightyByteLines(100 * 1024);
    const std::string line4m = OneLine(4 * 1024 * 1024);
    std::printf("median ms                                 all     ours      map    after\n");
    std::printf("viewer, two paints:\n");
    ViewerPaints(typical, 31).Print("(a) ten-line Japanese message");
    ViewerPaints(body100k, 11).Print("(b) 100 KB of 80-byte lines");
    ViewerPaints(line4m, 5).Print("(c) 4 MiB on one line");
    std::printf("list of 50 messages:\n");
    ListPaints(settings, 31);
    std::printf("line layout alone:\n");
    const double b = Layout(body100k, Search::kCached, 11);
    std::printf(" (b) cached widths:           %8.2f\n", b);
    const double bFit = Layout(body100k, Search::kPlatformFit, 11);
    std::printf(" (b) platform fit per line:   %8.2f\n", bFit);
    const double bPlain = Layout(body100k, Search::kPlain, 3);
    std::printf(" (b) one prefix per character:%8.2f\n", bPlain);
    const double c = Layout(line4m, Search::kCached, 5);
    std::printf(" (c) cached widths:           %8.2f\n", c);
    const double cFit = Layout(line4m, Search::kPlatformFit, 3);
    std::printf(" (c) platform fit per line:   %8.2f\n", cFit);
    std::remove(ini.c_str());
    return 0;
}
