#include "mime/charsets.h"

#include <array>

#include "mime/japanese_encoding.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// Labels are short; anything longer is no label this program knows.
constexpr std::size_t kMaxLabel = 40;

struct Alias {
    std::string_view name;  // upper case
    CharsetKind kind;
};
constexpr Alias kAliases[] = {
    {"UTF-8", CharsetKind::kUtf8},
    {"UTF8", CharsetKind::kUtf8},
    {"SHIFT_JIS", CharsetKind::kShiftJis},
    {"SHIFT-JIS", CharsetKind::kShiftJis},
    {"SJIS", CharsetKind::kShiftJis},
    {"X-SJIS", CharsetKind::kShiftJis},
    {"CP932", CharsetKind::kShiftJis},
    {"MS932", CharsetKind::kShiftJis},
    {"WINDOWS-31J", CharsetKind::kShiftJis},
    {"MS_KANJI", CharsetKind::kShiftJis},
    {"CSSHIFTJIS", CharsetKind::kShiftJis},
    {"X-MS-CP932", CharsetKind::kShiftJis},
    {"EUC-JP", CharsetKind::kEucJp},
    {"EUCJP", CharsetKind::kEucJp},
    {"X-EUC-JP", CharsetKind::kEucJp},
    {"CSEUCPKDFMTJAPANESE", CharsetKind::kEucJp},
    {"ISO-2022-JP", CharsetKind::kIso2022Jp},
    {"CSISO2022JP", CharsetKind::kIso2022Jp},
    {"US-ASCII", CharsetKind::kUsAscii},
    {"ASCII", CharsetKind::kUsAscii},
    {"ANSI_X3.4-1968", CharsetKind::kUsAscii},
};

struct SingleByteAlias {
    std::string_view name;  // upper case
    std::string_view set;
};
// ISO-8859-1 is read as Windows-1252, its superset: mail labelled Latin-1
// mostly is.
constexpr SingleByteAlias kSingleByteAliases[] = {
    {"ISO-8859-1", "WINDOWS-1252"}, {"ISO_8859-1", "WINDOWS-1252"}, {"LATIN1", "WINDOWS-1252"},
    {"CP1252", "WINDOWS-1252"},     {"X-CP1252", "WINDOWS-1252"},
};

// The label without blanks, quotes and language suffix.
std::string_view BareLabel(std::string_view label) {
    std::size_t first = 0;
    std::size_t last = label.size();
    while (first < last && (label[first] == ' ' || label[first] == '\t' || label[first] == '"'))
        ++first;
    while (last > first &&
           (label[last - 1] == ' ' || label[last - 1] == '\t' || label[last - 1] == '"'))
        --last;
    label = label.substr(first, last - first);
    return label.substr(0, label.find('*'));
}

void PutMark(std::string& out) {
    out.append(kUnmappableMark);
}

inline bool IsSjisTrail(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

void AppendShiftJis(std::string_view text, std::string& out, CutTail tail) {
    const std::size_t n = text.size();
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            out += text[i];
            continue;
        }
        if (Cp932CharLength(c) == 1) {
            PutMark(out);
            continue;
        }
        if (i + 1 >= n) {
            if (tail == CutTail::kMark)
                PutMark(out);
            break;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (!IsSjisTrail(trail)) {
            PutMark(out);  // the lead byte alone; the next byte is read again
            continue;
        }
        if (Cp932Scalar(c, trail) == 0) {
            PutMark(out);
        } else {
            out += text[i];
            out += text[i + 1];
        }
        ++i;
    }
}

void AppendEucJp(std::string_view text, std::string& out, CutTail tail) {
    const std::size_t n = text.size();
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += text[i];
            continue;
        }
        // Bytes this character needs: a pair, a kana behind 0x8E, or a JIS X
        // 0212 character behind 0x8F.
        const std::size_t need = c == 0x8F ? 3 : ((c == 0x8E || IsEucByte(c)) ? 2 : 1);
        if (need == 1) {
            PutMark(out);
            continue;
        }
        if (i + need > n) {
            if (tail == CutTail::kMark)
                PutMark(out);
            break;
        }
        const auto c2 = static_cast<unsigned char>(text[i + 1]);
        if (c == 0x8E) {
            if (IsEucKanaByte(c2)) {
                out += static_cast<char>(c2);
                ++i;
            } else {
                PutMark(out);
            }
            continue;
        }
        if (c == 0x8F) {
            // Code page 932 has no code for the supplementary kanji.
            if (IsEucByte(c2) && IsEucByte(static_cast<unsigned char>(text[i + 2]))) {
                i += 2;
            }
            PutMark(out);
            continue;
        }
        if (!IsEucByte(c2)) {
            PutMark(out);
            continue;
        }
        std::array<unsigned char, 3> pair;
        JisPairToSjis(static_cast<unsigned char>(c - 0x80), static_cast<unsigned char>(c2 - 0x80),
                      pair);
        if (Cp932Scalar(pair[0], pair[1]) == 0) {
            PutMark(out);
        } else {
            out += static_cast<char>(pair[0]);
            out += static_cast<char>(pair[1]);
        }
        ++i;
    }
}

void AppendUsAscii(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c;
        } else {
            PutMark(out);
        }
    }
}

// The JIS converter as the program always ran it: over a copy of the text,
// with the rest of the copy behind what fit.
void AppendJis(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    if (AppendJisAsSjis(text, out, text.size() + 1) == kConversionFull) {
        const std::size_t written = out.size() - start;
        if (written < text.size())
            out.append(text.substr(written));
    }
}

}  // namespace

Charset CharsetFromLabel(std::string_view label) {
    const std::string_view bare = BareLabel(label);
    if (bare.empty() || bare.size() > kMaxLabel)
        return {};
    // Folded once, then compared whole: labels are looked up for every word.
    char folded[kMaxLabel + 1];
    for (std::size_t i = 0; i < bare.size(); ++i)
        folded[i] = AsciiUpper(bare[i]);
    std::string_view upper(folded, bare.size());
    for (const Alias& alias : kAliases) {
        if (upper == alias.name)
            return {alias.kind, -1};
    }
    for (const SingleByteAlias& alias : kSingleByteAliases) {
        if (upper == alias.name) {
            upper = alias.set;
            break;
        }
    }
    // "ISO8859-2" and "ISO_8859-2" as well as "ISO-8859-2".
    std::string name(upper);
    if (name.compare(0, 8, "ISO_8859") == 0)
        name[3] = '-';
    else if (name.compare(0, 7, "ISO8859") == 0)
        name.insert(3, "-");
    const int index = SingleByteCharsetIndex(name);
    if (index >= 0)
        return {CharsetKind::kSingleByte, index};
    return {};
}

void AppendCharsetAsCp932(Charset charset, std::string_view text, std::string& out, CutTail tail) {
    switch (charset.kind) {
        case CharsetKind::kUtf8:
            AppendUtf8AsCp932(text, out, tail);
            break;
        case CharsetKind::kShiftJis:
            AppendShiftJis(text, out, tail);
            break;
        case CharsetKind::kEucJp:
            AppendEucJp(text, out, tail);
            break;
        case CharsetKind::kIso2022Jp:
            AppendJis(text, out);
            break;
        case CharsetKind::kUsAscii:
            AppendUsAscii(text, out);
            break;
        case CharsetKind::kSingleByte:
            AppendSingleByteAsCp932(charset.singleByte, text, out);
            break;
        case CharsetKind::kUnknown:
            AppendUnlabelledAsCp932(text, out, tail);
            break;
    }
}

void AppendUnlabelledAsCp932(std::string_view text, std::string& out, CutTail tail) {
    if (IsNonAsciiUtf8(text)) {
        AppendUtf8AsCp932(text, out, tail);
        return;
    }
    // A body cut inside its last UTF-8 character is still UTF-8.
    if (tail == CutTail::kDrop) {
        std::size_t keep = text.size();
        for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
            const auto c = static_cast<unsigned char>(text[text.size() - back]);
            if ((c & 0xC0) != 0x80) {
                if (c >= 0xC0)
                    keep = text.size() - back;
                break;
            }
        }
        if (keep < text.size() && IsNonAsciiUtf8(text.substr(0, keep))) {
            AppendUtf8AsCp932(text.substr(0, keep), out, tail);
            return;
        }
    }
    switch (DetectJapaneseEncoding(text)) {
        case kEncodingJis:
            AppendJis(text, out);
            break;
        case kEncodingEuc:
            AppendEucAsSjis(text, out);
            break;
        case kEncodingShiftJis:
            out.append(text);
            break;
    }
}

}  // namespace pell
