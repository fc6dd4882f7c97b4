// The first paints of the pop-up windows under the real text measurement:
// a viewer's two paints for (a) a typical ten-line Japanese message, (b) a
// 100 KB body of 80-byte lines, (c) a 4 MiB body on one line, and the first
// paint of a list of 50 messages. For (b) the line layout alone is also timed
// with the fast search and with the plain one-prefix-per-character rule. The
// first paint of each window includes sizing and showing it.
// Prints the median of several runs in milliseconds.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

double MedianMs(int runs, const std::function<void()>& once) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        once();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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

// Windows are made and destroyed outside the timing: under Wine that alone
// takes longer than any paint.
double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double ViewerPaints(const std::string& text, int runs) {
    ViewerLook look;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        HWND viewer = CreateViewerWindow(nullptr, text, look, "bench", {100, 100});
        ms.push_back(MedianMs(1, [&] {
            SendMessageA(viewer, WM_PAINT, 0, 0);
            SendMessageA(viewer, WM_PAINT, 0, 0);
        }));
        DestroyWindow(viewer);
    }
    return Median(ms);
}

double Layout(const std::string& text, bool plain, int runs) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    UniqueFont font = MakeFaceFont(dc, kDefaultFontFace, 12);
    HGDIOBJ old = SelectObject(dc, font.get());
    GdiTextMeasurer measurer(dc);
    std::size_t lines = 0;
    const double ms = MedianMs(runs, [&] {
        lines = 0;
        for (std::size_t pos = 0; pos < text.size(); ++lines) {
            const std::string_view rest = std::string_view(text).substr(pos);
            pos += (plain ? NextViewerLineByPrefix(rest, measurer) : NextViewerLine(rest, measurer))
                       .consumed;
        }
    });
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::printf("    (%zu lines)\n", lines);
    return ms;
}

// `again`: the paints that follow at the same size (a pointer move).
double ListFirstPaint(SettingsStore& settings, int runs, std::vector<double>& again) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
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
        HWND list = CreateListWindow(std::move(notice), settings, {100, 100});
        ms.push_back(MedianMs(1, [&] { SendMessageA(list, WM_PAINT, 0, 0); }));
        again.push_back(MedianMs(1, [&] { SendMessageA(list, WM_PAINT, 0, 0); }));
        DestroyWindow(list);
    }
    return Median(ms);
}

}  // namespace
}  // namespace pell

int main() {
    using namespace pell;
    RegisterWindowClasses(GetModuleHandleA(nullptr));
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    IniFileStore settings(std::string(temp) + "pell_notify_bench.ini");
    const std::string typical = TypicalMessage();
    const std::string body100k = EightyByteLines(100 * 1024);
    const std::string line4m = OneLine(4 * 1024 * 1024);
    std::printf("viewer, two paints (median ms):\n");
    std::printf("  (a) ten-line Japanese message:  %8.2f\n", ViewerPaints(typical, 31));
    std::printf("  (b) 100 KB of 80-byte lines:    %8.2f\n", ViewerPaints(body100k, 11));
    std::printf("  (c) 4 MiB on one line:          %8.2f\n", ViewerPaints(line4m, 5));
    std::vector<double> again;
    std::printf("list of 50 messages, first paint: %8.2f\n", ListFirstPaint(settings, 31, again));
    std::printf("  a later paint at the same size: %8.2f\n", Median(again));
    std::printf("line layout of (b) alone:\n");
    std::printf("  fast search:                    %8.2f\n", Layout(body100k, false, 11));
    std::printf("  one prefix per character:       %8.2f\n", Layout(body100k, true, 3));
    std::remove((std::string(temp) + "pell_notify_bench.ini").c_str());
    return 0;
}
