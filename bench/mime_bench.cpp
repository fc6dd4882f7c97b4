// Speed of header decoding, ISO-2022-JP conversion (against nkf and iconv on
// the same text), UTF-8 to code page 932 (against iconv) and summary
// extraction. Prints the ratios at the end.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mail/mail_summary.h"
#include "mime/encoded_words.h"
#include "mime/japanese_encoding.h"
#include "mime/unicode_cp932.h"

namespace {

constexpr std::size_t kTextBytes = 10u << 20;

// About 10 MB of mail-like ISO-2022-JP: lines of kana and kanji between the
// shift sequences, mixed with ASCII. Only characters every converter maps.
const std::string& JisText() {
    static const std::string text = [] {
        std::string t;
        t.reserve(kTextBytes + 256);
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFFu;
        };
        while (t.size() < kTextBytes) {
            t += "\x1b$B";
            const unsigned pairs = 10 + next() % 25;
            for (unsigned i = 0; i < pairs; ++i) {
                const unsigned kind = next() % 10;
                unsigned char row;
                unsigned char cell;
                if (kind < 4) {
                    row = 0x24;
                    cell = static_cast<unsigned char>(0x21 + next() % 0x50);
                } else if (kind < 6) {
                    row = 0x25;
                    cell = static_cast<unsigned char>(0x21 + next() % 0x50);
                } else {
                    row = static_cast<unsigned char>(0x30 + next() % 0x1F);
                    cell = static_cast<unsigned char>(0x21 + next() % 0x5E);
                }
                t += static_cast<char>(row);
                t += static_cast<char>(cell);
            }
            t += "\x1b(B";
            t += (next() % 3 == 0) ? " see http://example.jp/ 2004\r\n" : "\r\n";
        }
        return t;
    }();
    return text;
}

std::string TempPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/pell_mime_bench_" + name;
}

const std::string& JisFile() {
    static const std::string path = [] {
        const std::string p = TempPath("input.jis");
        std::ofstream(p, std::ios::binary) << JisText();
        return p;
    }();
    return path;
}

void BM_ConvertJisToSjis(benchmark::State& state) {
    const std::string& text = JisText();
    std::string out;
    for (auto _ : state) {
        pell::ConvertJisToSjis(text, out, text.size() + 1);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ConvertJisToSjis)->Unit(benchmark::kMillisecond);

void BM_Iconv(benchmark::State& state) {
    const std::string& text = JisText();
    std::vector<char> out(text.size() + 16);
    iconv_t cd = iconv_open("CP932", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        state.SkipWithError("iconv cannot convert ISO-2022-JP to CP932");
        return;
    }
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
            state.SkipWithError("iconv failed on the input");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Iconv)->Unit(benchmark::kMillisecond);

// nkf as a user runs it: a process reading the file and writing Shift_JIS. The
// machine may be shared, so the time taken is the CPU time of that process.
double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_Nkf(benchmark::State& state) {
    const std::string command = "nkf -s < '" + JisFile() + "' > '" + TempPath("nkf.out") + "'";
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("nkf is not available");
            break;
        }
        state.SetIterationTime(ChildCpuSeconds() - before);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * JisText().size()));
}
BENCHMARK(BM_Nkf)->Unit(benchmark::kMillisecond)->UseManualTime();

const std::vector<std::string>& Subjects() {
    static const std::vector<std::string> subjects = {
        "Re: =?ISO-2022-JP?B?GyRCTWg9NSROQkckQTlnJG8kOxsoQg==?=",
        "=?ISO-2022-JP?B?GyRCTWg9NSROQkckQTlnJG8kOyRLJEQkJCRGGyhC?=\r\n "
        "=?ISO-2022-JP?B?GyRCIUo7cU5BRTpJVSFLGyhC?=",
        "[ml:01234] =?iso-2022-jp?q?=1B$BDjNc2q=1B(B?=",
        "=?ISO-2022-JP?B?pcehvKW/pdmhvKW5?= <sato@example.ne.jp>",
        "Weekly report (plain ASCII subject)",
        "\"=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?=\" <yamada@example.co.jp>",
    };
    return subjects;
}

void BM_DecodeHeaderText(benchmark::State& state) {
    const auto& subjects = Subjects();
    std::string value;
    for (auto _ : state) {
        for (const std::string& s : subjects) {
            value = s;
            pell::DecodeHeaderText(value);
            benchmark::DoNotOptimize(value.data());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * subjects.size()));
}
BENCHMARK(BM_DecodeHeaderText);

// A TOP reply with a real-world head and ten body lines.
const std::string& TopReply() {
    static const std::string reply =
        "+OK 2345 octets\r\n"
        "Return-Path: <yamada@example.co.jp>\r\n"
        "Received: from mail.example.co.jp (mail.example.co.jp [127.0.0.1])\r\n"
        "\tby pop.example.jp (Postfix) with ESMTP id 4A1B2C3D\r\n"
        "\tfor <suzuki@example.jp>; Tue,  3 Feb 2004 21:05:10 +0900 (JST)\r\n"
        "Received: from [127.0.0.1] (localhost [127.0.0.1])\r\n"
        "\tby mail.example.co.jp with ESMTPA id 1A2B3C; Tue, 3 Feb 2004 21:05:09 +0900\r\n"
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\n"
        "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.co.jp>\r\n"
        "To: =?ISO-2022-JP?B?GyRCTmtMWjJWO1IbKEI=?= <suzuki@example.jp>\r\n"
        "Subject: Re: =?ISO-2022-JP?B?GyRCTWg9NSROQkckQTlnJG8kOyRLJEQkJCRGGyhC?=\r\n"
        " =?ISO-2022-JP?B?GyRCIUo7cU5BRTpJVSFLGyhC?=\r\n"
        "Message-ID: <20040203210509.1234@example.co.jp>\r\n"
        "X-UIDL: 5b3f0c2a9d\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
        "Content-Transfer-Encoding: 7bit\r\n"
        "X-Mailer: Example Mailer 1.0\r\n"
        "\r\n"
        "\x1b$BNkLZ$5$s\x1b(B\r\n"
        "\r\n"
        "\x1b$B;3ED$G$9!#Mh=5$NBG$A9g$o$;$G$9$,!\"\x1b(B\r\n"
        "\x1b$B2PMKF|$N8a8e$G$$$+$,$G$7$g$&$+!#\x1b(B\r\n"
        "\r\n"
        "\x1b$B;qNA$rE:IU$7$^$9!#\x1b(B\r\n"
        "..\r\n"
        "\x1b$B$h$m$7$/$*4j$$$7$^$9!#\x1b(B\r\n"
        "\r\n"
        "-- \r\n"
        ".\r\n";
    return reply;
}

void BM_ExtractMessage(benchmark::State& state) {
    const std::string& reply = TopReply();
    for (auto _ : state) {
        pell::ExtractedMessage m = pell::ExtractMessage(reply, false, 10);
        benchmark::DoNotOptimize(m.summary.viewer.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ExtractMessage)->Unit(benchmark::kMicrosecond);

// About 10 MB of Japanese UTF-8 as mail bodies hold it: kana, kanji, ASCII
// words and line breaks, and the characters that other systems write with
// other code points than code page 932 (wave dash, minus sign, ...).
const std::string& Utf8Text() {
    static const std::string text = [] {
        std::vector<char32_t> kanji;
        for (unsigned lead = 0x88; lead <= 0x9F; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const char32_t c = pell::Cp932Scalar(static_cast<unsigned char>(lead),
                                                     static_cast<unsigned char>(trail));
                if (c >= 0x4E00)
                    kanji.push_back(c);
            }
        }
        constexpr char32_t kOthers[] = {0x301C, 0x2212, 0x2016, 0x00A2, 0x00A3, 0x00AC,
                                        0xFF5E, 0x3001, 0x3002, 0xFF01, 0x2460};
        auto put = [](std::string& t, char32_t c) {
            if (c < 0x80) {
                t += static_cast<char>(c);
            } else if (c < 0x800) {
                t += static_cast<char>(0xC0 | (c >> 6));
                t += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                t += static_cast<char>(0xE0 | (c >> 12));
                t += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                t += static_cast<char>(0x80 | (c & 0x3F));
            }
        };
        std::string t;
        t.reserve(kTextBytes + 256);
        unsigned seed = 4242;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFFu;
        };
        while (t.size() < kTextBytes) {
            const unsigned length = 10 + next() % 30;
            for (unsigned i = 0; i < length; ++i) {
                const unsigned kind = next() % 100;
                if (kind < 40) {
                    put(t, 0x3041 + next() % 0x53);
                } else if (kind < 55) {
                    put(t, 0x30A1 + next() % 0x56);
                } else if (kind < 85) {
                    put(t, kanji[next() % kanji.size()]);
                } else if (kind < 97) {
                    t += (next() % 2) ? "Pell " : "2025 ";
                } else {
                    put(t, kOthers[next() % (sizeof kOthers / sizeof kOthers[0])]);
                }
            }
            t += "\r\n";
        }
        return t;
    }();
    return text;
}

void BM_Utf8ToCp932(benchmark::State& state) {
    const std::string& text = Utf8Text();
    std::string out;
    for (auto _ : state) {
        out.clear();
        pell::AppendUtf8AsCp932(text, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8ToCp932)->Unit(benchmark::kMillisecond);

// iconv(3) "UTF-8" to "CP932" on the same text; nullopt when it refuses.
std::optional<std::string> IconvUtf8ToCp932(iconv_t cd, const std::string& text,
                                            std::vector<char>& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    return std::string(out.data(), out.size() - outLeft);
}

void BM_IconvUtf8ToCp932(benchmark::State& state) {
    const std::string& text = Utf8Text();
    std::vector<char> out(text.size() + 16);
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        state.SkipWithError("iconv cannot convert UTF-8 to CP932");
        return;
    }
    for (auto _ : state) {
        if (!IconvUtf8ToCp932(cd, text, out)) {
            state.SkipWithError("iconv failed on the input");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IconvUtf8ToCp932)->Unit(benchmark::kMillisecond);

// A TOP reply as a web mail service sends it today: UTF-8 Base64 words in the
// head, multipart/alternative with a Base64 text part, cut after ten lines.
const std::string& Utf8TopReply() {
    static const std::string reply =
        "+OK 5123 octets\r\n"
        "Return-Path: <yamada@example.com>\r\n"
        "Received: from mail-sor-f41.example.com (mail-sor-f41.example.com [127.0.0.1])\r\n"
        "\tby pop.example.jp (Postfix) with ESMTPS id 4A1B2C3D\r\n"
        "\tfor <suzuki@example.jp>; Mon, 2 Jun 2025 09:15:02 +0900 (JST)\r\n"
        "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=20230601;\r\n"
        "\th=to:subject:message-id:date:from:mime-version:from:to:cc:subject;\r\n"
        "\tbh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=; b=Xk3v9hZ0aQ1bW2cE3dR4fT5gY6hU7j\r\n"
        "MIME-Version: 1.0\r\n"
        "From: =?UTF-8?B?5bGx55SwIOWkqumDjg==?= <yamada@example.com>\r\n"
        "Date: Mon, 2 Jun 2025 09:15:00 +0900\r\n"
        "Message-ID: <CAF1a2b3c4d5e6f7g8h9i0j@mail.example.com>\r\n"
        "Subject: =?UTF-8?B?UmU6IOadpemAseOBruaJk+OBoeWQiOOCj+OBm+OBq+OBpOOBhOOBpg==?=\r\n"
        "To: =?UTF-8?B?6Yi05pyoIOiKseWtkA==?= <suzuki@example.jp>\r\n"
        "Content-Type: multipart/alternative; boundary=\"000000000000a1b2c3d4e5f6a7b8\"\r\n"
        "\r\n"
        "--000000000000a1b2c3d4e5f6a7b8\r\n"
        "Content-Type: text/plain; charset=\"UTF-8\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "\r\n"
        "6Yi05pyo5qeYDQoNCuOBhOOBpOOCguOBiuS4luipseOBq+OBquOBo+OBpuOBiuOCiuOBvuOBmeOA\r\n"
        "guWxseeUsOOBp+OBmeOAgg0K5p2l6YCx44Gu5omT44Gh5ZCI44KP44Gb44Gu5Lu244CB6LOH5paZ\r\n"
        "44KS5re75LuY44GE44Gf44GX44G+44GX44Gf44Gu44Gn44GU56K66KqN44GP44Gg44GV44GE44CC\r\n"
        "DQrml6XnqIvjga/vvJbmnIjvvJHvvJDml6XvvIjngavvvInvvJHvvJTmmYLjgJzvvJHvvJbmmYLj\r\n"
        "gpLkuojlrprjgZfjgabjgYrjgorjgb7jgZnjgIINCuOBlOmDveWQiOOBjOaCquOBhOWgtOWQiOOB\r\n"
        "r+OBiuefpeOCieOBm+OBj+OBoOOBleOBhOOAgg0KDQrjgojjgo3jgZfjgY/jgYrpoZjjgYTjgYTj\r\n"
        ".\r\n";
    return reply;
}

void BM_ExtractUtf8Message(benchmark::State& state) {
    const std::string& reply = Utf8TopReply();
    for (auto _ : state) {
        pell::ExtractedMessage m = pell::ExtractMessage(reply, false, 10);
        benchmark::DoNotOptimize(m.summary.viewer.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ExtractUtf8Message)->Unit(benchmark::kMicrosecond);

// Keeps the mean CPU time per iteration (seconds) of every benchmark for the
// closing summary; for nkf that is the manual time, its process's CPU time.
// With repetitions it keeps the median; the other statistics (the standard
// deviation, the coefficient of variation) are no times per iteration.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                anyError_ = true;
                continue;
            }
            if (run.iterations == 0)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const bool manual = run.run_name.time_type == "manual_time";
            const double total = manual ? run.real_accumulated_time : run.cpu_accumulated_time;
            seconds_[run.run_name.function_name] = total / static_cast<double>(run.iterations);
        }
    }

    double Seconds(const std::string& name) const {
        const auto it = seconds_.find(name);
        return it == seconds_.end() ? 0.0 : it->second;
    }

    bool AnyError() const { return anyError_; }

  private:
    std::map<std::string, double> seconds_;
    bool anyError_ = false;
};

// The three converters must agree on the input before their speed is compared;
// false when one that ran gave another text.
bool CheckSameOutput() {
    bool same = true;
    const std::string& text = JisText();
    std::string ours;
    pell::ConvertJisToSjis(text, ours, text.size() + 1);
    const std::string nkfOut = TempPath("nkf.check");
    const std::string command = "nkf -s < '" + JisFile() + "' > '" + nkfOut + "'";
    if (std::system(command.c_str()) == 0) {
        std::ifstream in(nkfOut, std::ios::binary);
        const std::string theirs((std::istreambuf_iterator<char>(in)), {});
        std::printf("nkf output %s ours\n", theirs == ours ? "equals" : "DIFFERS FROM");
        same = same && theirs == ours;
    }
    std::remove(nkfOut.c_str());
    iconv_t cd = iconv_open("CP932", "ISO-2022-JP");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        std::string out(text.size() + 16, '\0');
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &o, &outLeft);
        out.resize(out.size() - outLeft);
        std::printf("iconv output %s ours\n", out == ours ? "equals" : "DIFFERS FROM");
        same = same && out == ours;
        iconv_close(cd);
    }
    return same;
}

// The UTF-8 conversion and iconv must agree before their speed is compared.
// They differ only where this program's mapping says: the invisible
// characters, which iconv refuses, are dropped here.
bool CheckSameUtf8Output() {
    const std::string& text = Utf8Text();
    std::string ours;
    pell::AppendUtf8AsCp932(text, ours);
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return true;
    std::vector<char> out(text.size() + 16);
    const std::optional<std::string> theirs = IconvUtf8ToCp932(cd, text, out);
    std::printf("UTF-8 input: %zu bytes; iconv output %s ours\n", text.size(),
                !theirs ? "MISSING, unlike" : (*theirs == ours ? "equals" : "DIFFERS FROM"));
    const std::string invisible = u8"a\u200Bb\uFE0Fc";
    std::string small;
    pell::AppendUtf8AsCp932(invisible, small);
    std::printf("  zero-width and variation selectors: ours \"%s\", iconv %s\n", small.c_str(),
                IconvUtf8ToCp932(cd, invisible, out) ? "converts them" : "refuses them");
    iconv_close(cd);
    return theirs && *theirs == ours;
}

}  // namespace

int main(int argc, char** argv) {
    // --smoke: every benchmark for a moment, as the tests run it; a set-up that
    // fails or converters that disagree fail the run.
    std::vector<char*> args(argv, argv + argc);
    char minTime[] = "--benchmark_min_time=0.001";
    bool smoke = false;
    for (auto it = args.begin() + 1; it != args.end(); ++it) {
        if (std::string(*it) == "--smoke") {
            smoke = true;
            *it = minTime;
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    std::printf("ISO-2022-JP input: %zu bytes\n", JisText().size());
    const bool same = CheckSameOutput() && CheckSameUtf8Output();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (smoke && (!same || reporter.AnyError())) {
        std::fprintf(stderr, "mime_bench: a benchmark failed or the converters disagree\n");
        return 1;
    }

    const double ours = reporter.Seconds("BM_ConvertJisToSjis");
    const double nkf = reporter.Seconds("BM_Nkf");
    const double iconvTime = reporter.Seconds("BM_Iconv");
    std::printf("\nCPU time. ConvertJisToSjis on %zu bytes: %.2f ms\n", JisText().size(),
                ours * 1e3);
    if (ours > 0 && nkf > 0)
        std::printf("  nkf -s / ConvertJisToSjis: %.2f\n", nkf / ours);
    if (ours > 0 && iconvTime > 0)
        std::printf("  iconv / ConvertJisToSjis:  %.2f\n", iconvTime / ours);
    const double decode = reporter.Seconds("BM_DecodeHeaderText");
    if (decode > 0) {
        std::printf("DecodeHeaderText: %.0f ns per value\n", decode * 1e9 / Subjects().size());
    }
    const double utf8 = reporter.Seconds("BM_Utf8ToCp932");
    const double iconvUtf8 = reporter.Seconds("BM_IconvUtf8ToCp932");
    if (utf8 > 0) {
        std::printf("Utf8ToCp932 on %zu bytes: %.2f ms\n", Utf8Text().size(), utf8 * 1e3);
        if (iconvUtf8 > 0)
            std::printf("  iconv UTF-8 to CP932 / Utf8ToCp932: %.2f\n", iconvUtf8 / utf8);
    }
    const double extractUtf8 = reporter.Seconds("BM_ExtractUtf8Message");
    if (extractUtf8 > 0)
        std::printf("ExtractMessage (UTF-8 Base64 TOP reply): %.2f us per message\n",
                    extractUtf8 * 1e6);
    const double extract = reporter.Seconds("BM_ExtractMessage");
    if (extract > 0)
        std::printf("ExtractMessage (10-line TOP reply): %.2f us per message\n", extract * 1e6);
    std::remove(JisFile().c_str());
    std::remove(TempPath("nkf.out").c_str());
    return 0;
}
