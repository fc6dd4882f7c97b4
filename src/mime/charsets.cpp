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
    {"ISO-2022-JP-1", CharsetKind::kIso2022Jp},
    {"ISO-2022-JP-2", CharsetKind::kIso2022Jp},
    {"ISO-2022-JP-3", CharsetKind::kIso2022Jp},
    {"CSISO2022JP", CharsetKind::kIso2022Jp},
    {"US-ASCII", CharsetKind::kUsAscii},
    {"ASCII", CharsetKind::kUsAscii},
    {"ANSI_X3.4-1968", CharsetKind::kUsAscii},
};

// Other names of the table sets; the table names themselves ("WINDOWS-1251",
// "KOI8-R", "GBK", "BIG5", "UHC") and ISO-8859-n in its spellings need none.
struct TableAlias {
    std::string_view name;  // upper case
    std::string_view set;
};
// ISO-8859-1 is read as Windows-1252, its superset: mail labelled Latin-1
// mostly is. The Chinese and Korean sets are read as the supersets that the
// mail programs of those languages write.
constexpr TableAlias kTableAliases[] = {
    {"ISO-8859-1", "WINDOWS-1252"},
    {"ISO_8859-1", "WINDOWS-1252"},
    {"LATIN1", "WINDOWS-1252"},
    {"KOI8R", "KOI8-R"},
    {"CSKOI8R", "KOI8-R"},
    {"KOI8U", "KOI8-U"},
    {"GB2312", "GBK"},
    {"GB_2312-80", "GBK"},
    {"CSGB2312", "GBK"},
    {"EUC-CN", "GBK"},
    {"X-EUC-CN", "GBK"},
    {"X-GBK", "GBK"},
    {"CP936", "GBK"},
    {"MS936", "GBK"},
    {"WINDOWS-936", "GBK"},
    {"GB18030", "GBK"},
    {"CHINESE", "GBK"},
    {"BIG-5", "BIG5"},
    {"CN-BIG5", "BIG5"},
    {"X-X-BIG5", "BIG5"},
    {"CSBIG5", "BIG5"},
    {"BIG5-HKSCS", "BIG5"},
    {"BIG5HKSCS", "BIG5"},
    {"CP950", "BIG5"},
    {"EUC-KR", "UHC"},
    {"X-EUC-KR", "UHC"},
    {"CSEUCKR", "UHC"},
    {"CP949", "UHC"},
    {"MS949", "UHC"},
    {"WINDOWS-949", "UHC"},
    {"X-WINDOWS-949", "UHC"},
    {"KS_C_5601-1987", "UHC"},
    {"KS_C_5601-1989", "UHC"},
    {"KSC_5601", "UHC"},
    {"KSC5601", "UHC"},
    {"KOREAN", "UHC"},
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

// How well a text reads in one Japanese encoding: its multi-byte characters
// that Western 8-bit text seldom makes by chance, and the bytes that begin none.
struct Fit {
    std::size_t characters = 0;
    std::size_t errors = 0;
};

Fit ShiftJisFit(std::string_view text, CutTail tail) {
    Fit fit;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF))
            continue;
        if (Cp932CharLength(c) == 1) {
            ++fit.errors;
        } else if (i + 1 >= n) {
            fit.errors += tail == CutTail::kMark ? 1 : 0;
        } else if (!IsSjisTrail(static_cast<unsigned char>(text[i + 1]))) {
            ++fit.errors;
        } else {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (Cp932Scalar(c, trail) == 0) {
                ++fit.errors;
            } else if (c <= 0x9F || trail >= 0x80) {
                // Kana, punctuation and the common kanji; an accented small
                // letter followed by a letter makes a pair of the rest.
                ++fit.characters;
            }
            ++i;
        }
    }
    return fit;
}

Fit EucJpFit(std::string_view text, CutTail tail) {
    Fit fit;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80)
            continue;
        const std::size_t need = c == 0x8F ? 3 : ((c == 0x8E || IsEucByte(c)) ? 2 : 1);
        if (need == 1) {
            ++fit.errors;
            continue;
        }
        if (i + need > n) {
            fit.errors += tail == CutTail::kMark ? 1 : 0;
            break;
        }
        bool whole = true;
        for (std::size_t k = 1; k < need; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            whole = whole && (c == 0x8E ? IsEucKanaByte(next) : IsEucByte(next));
        }
        if (whole) {
            ++fit.characters;
            i += need - 1;
        } else {
            ++fit.errors;
        }
    }
    return fit;
}

void AppendWestern(std::string_view text, std::string& out) {
    static const int windows1252 = SingleByteCharsetIndex("WINDOWS-1252");
    AppendSingleByteAsCp932(windows1252, text, out);
}

}  // namespace

Charset CharsetFromLabel(std::string_view label) {
    const std::string_view bare = BareLabel(label);
    if (bare.empty())
        return {};
    if (bare.size() > kMaxLabel)
        return {CharsetKind::kUnknown, -1};
    // Folded once, then compared whole: labels are looked up for every word.
    char folded[kMaxLabel + 1];
    for (std::size_t i = 0; i < bare.size(); ++i)
        folded[i] = AsciiUpper(bare[i]);
    std::string_view upper(folded, bare.size());
    for (const Alias& alias : kAliases) {
        if (upper == alias.name)
            return {alias.kind, -1};
    }
    for (const TableAlias& alias : kTableAliases) {
        if (upper == alias.name) {
            upper = alias.set;
            break;
        }
    }
    // "ISO8859-2" and "ISO_8859-2" as well as "ISO-8859-2"; "CP1251" and
    // "X-CP1251" as well as "WINDOWS-1251".
    std::string name(upper);
    if (name.compare(0, 8, "ISO_8859") == 0)
        name[3] = '-';
    else if (name.compare(0, 7, "ISO8859") == 0)
        name.insert(3, "-");
    else if (name.compare(0, 5, "CP125") == 0 && name.size() == 6)
        name.replace(0, 2, "WINDOWS-");
    else if (name.compare(0, 7, "X-CP125") == 0 && name.size() == 8)
        name.replace(0, 4, "WINDOWS-");
    const int single = SingleByteCharsetIndex(name);
    if (single >= 0)
        return {CharsetKind::kSingleByte, single};
    const int dual = DoubleByteCharsetIndex(name);
    if (dual >= 0)
        return {CharsetKind::kDoubleByte, dual};
    return {CharsetKind::kUnknown, -1};
}

void AppendCharsetAsCp932(Charset charset, std::string_view text, std::string& out, CutTail tail) {
    switch (charset.kind) {
        case CharsetKind::kUtf8:
            AppendUtf8AsCp932(text, out, tail);
            break;
        case CharsetKind::kShiftJis:
            AppendShiftJisAsCp932(text, out, tail);
            break;
        case CharsetKind::kEucJp:
            AppendEucJpChecked(text, out, tail);
            break;
        case CharsetKind::kIso2022Jp:
            AppendJisText(text, out);
            break;
        case CharsetKind::kUsAscii:
            AppendUsAscii(text, out);
            break;
        case CharsetKind::kSingleByte:
            AppendSingleByteAsCp932(charset.table, text, out);
            break;
        case CharsetKind::kDoubleByte:
            AppendDoubleByteAsCp932(charset.table, text, out, tail);
            break;
        case CharsetKind::kUnlabelled:
            AppendUnlabelledAsCp932(text, out, tail);
            break;
        case CharsetKind::kUnknown:
            AppendUnknownAsCp932(text, out);
            break;
    }
}

void AppendShiftJisAsCp932(std::string_view text, std::string& out, CutTail tail) {
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
    const JapaneseEncoding guess = DetectJapaneseEncoding(text);
    if (guess == kEncodingJis) {
        AppendJisText(text, out);
        return;
    }
    // The encoding the counts point at, unless its bytes do not fit it: then
    // the other one if they fit that, else the first if it has no more misfits
    // than characters, else 8-bit Western text.
    const Fit sjis = ShiftJisFit(text, tail);
    const Fit euc = EucJpFit(text, tail);
    const bool sjisFirst = guess == kEncodingShiftJis;
    const Fit& first = sjisFirst ? sjis : euc;
    const Fit& second = sjisFirst ? euc : sjis;
    bool useShiftJis = sjisFirst;
    if (first.errors > 0) {
        if (second.errors == 0 && second.characters > 0) {
            useShiftJis = !sjisFirst;
        } else if (first.errors > first.characters) {
            AppendWestern(text, out);
            return;
        }
    }
    if (useShiftJis) {
        AppendShiftJisAsCp932(text, out, tail);
    } else {
        AppendEucJpChecked(text, out, tail);
    }
}

void AppendUnknownAsCp932(std::string_view text, std::string& out) {
    if (IsNonAsciiUtf8(text)) {
        AppendUtf8AsCp932(text, out);
        return;
    }
    if (DetectJapaneseEncoding(text) == kEncodingJis) {
        AppendJisText(text, out);
        return;
    }
    out.reserve(out.size() + text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += text[i];
            continue;
        }
        // One mark per character: two bytes >= 0x80 side by side are taken for
        // one, as most charsets beyond ASCII write their letters.
        if (i + 1 < n && static_cast<unsigned char>(text[i + 1]) >= 0x80)
            ++i;
        PutMark(out);
    }
}

}  // namespace pell
