#!/usr/bin/env python3
"""Writes src/mime/charset_table_data.inc: the code page 932 table, the
single-byte tables (ISO-8859-1 to -15, Windows-1250 to -1258, KOI8-R, KOI8-U)
and the Chinese and Korean double-byte tables, taken once from the C library's
iconv and kept in the repository as data, so that the program converts the same
way on every platform and never asks a converter at run time.

    tools/make_charset_tables.py [OUTPUT]

The file holds:
- kCp932Single: the Unicode scalar of every single byte (0 for none);
- kCp932Rows: for each lead byte 81-9F and E0-FC, the scalars of its 188 trail
  bytes 40-7E and 80-FC (0 for none);
- kCp932Preferred: characters whose encoding is not the first code (in code
  order) that decodes to them: one-way mappings (YEN SIGN to 5C, WAVE DASH to
  81 60, ...) and the choice among duplicate codes (NEC and IBM rows);
- kMailMappings, kDropped: where this program departs from code page 932 for
  mail (characters other systems write with other code points, invisible
  formatting characters);
- kLatinTables: bytes A0-FF (80-FF for the Windows and KOI8 sets) of each
  single-byte set;
- kDoubleByteTables: for GBK (CP936), Big5 (CP950) and Unified Hangul (CP949),
  only the codes whose character code page 932 can show, as a bit per code
  (lead bytes 81-FE, trail bytes 40-FE), the count of such codes before each
  32-bit word of bits, and their scalars in code order; plus the trail bytes
  the set uses, so that a pair without a character still counts as one.
Running it again must give the same file; check with git diff.
"""
import ctypes
import ctypes.util
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t)]
libc.iconv_close.argtypes = [ctypes.c_void_p]


class Converter:
    def __init__(self, to_code, from_code):
        self.cd = libc.iconv_open(to_code.encode(), from_code.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"iconv cannot convert {from_code} to {to_code}")

    def __call__(self, data):
        """The converted bytes, or None when iconv refuses any of the input."""
        libc.iconv(self.cd, None, None, None, None)
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(64)
        inptr = ctypes.c_char_p(ctypes.addressof(inbuf))
        outptr = ctypes.c_char_p(ctypes.addressof(outbuf))
        inleft = ctypes.c_size_t(len(data))
        outleft = ctypes.c_size_t(64)
        rc = libc.iconv(self.cd, ctypes.byref(inptr), ctypes.byref(inleft),
                        ctypes.byref(outptr), ctypes.byref(outleft))
        if rc == ctypes.c_size_t(-1).value or inleft.value != 0:
            return None
        return outbuf.raw[:64 - outleft.value]


def scalar(utf32):
    if utf32 is None or len(utf32) != 4:
        return 0
    return int.from_bytes(utf32, "big")


LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))

# Characters that mail from other systems writes with another code point than
# code page 932 uses, mapped where a Japanese reader expects them.
MAIL_MAPPINGS = [
    (0x301C, 0x8160), (0xFF5E, 0x8160),  # wave dash, fullwidth tilde
    (0x2016, 0x8161), (0x2225, 0x8161),  # double vertical line, parallel to
    (0x2212, 0x817C), (0xFF0D, 0x817C),  # minus sign, fullwidth hyphen-minus
    (0x00A2, 0x8191), (0xFFE0, 0x8191),  # cent sign
    (0x00A3, 0x8192), (0xFFE1, 0x8192),  # pound sign
    (0x00AC, 0x81CA), (0xFFE2, 0x81CA),  # not sign
    # Spaces that only forbid a line break show as a plain space.
    (0x00A0, 0x0020), (0x202F, 0x0020),
]

# Invisible formatting characters, shown as nothing: zero-width space,
# non-joiner and joiner, word joiner, soft hyphen, variation selectors 15 and
# 16, byte order mark.
DROPPED = [0x200B, 0x200C, 0x200D, 0x2060, 0x00AD, 0xFE0E, 0xFE0F, 0xFEFF]

SINGLE_BYTE_SETS = ([(f"ISO-8859-{n}", 0xA0) for n in range(1, 16) if n != 12] +
                    [(f"WINDOWS-{n}", 0x80) for n in range(1250, 1259)] +
                    [("KOI8-R", 0x80), ("KOI8-U", 0x80)])

# The double-byte sets by the name the program gives them and the iconv name of
# the superset that mail labelled with any of their names is read as.
DOUBLE_BYTE_SETS = [("GBK", "CP936"), ("BIG5", "CP950"), ("UHC", "CP949")]
DB_LEADS = range(0x81, 0xFF)
DB_TRAILS = range(0x40, 0xFF)
WORD_BITS = 32
WORDS_PER_ROW = (len(DB_TRAILS) + WORD_BITS - 1) // WORD_BITS


def double_byte_table(iconv_name, shown):
    """Bits, ranks and scalars of the codes whose character is in `shown`,
    and the trail bytes of every code the set defines."""
    decode = Converter("UTF-32BE", iconv_name)
    bits, ranks, scalars = [], [], []
    trails = set()
    for lead in DB_LEADS:
        words = [0] * WORDS_PER_ROW
        for t, trail in enumerate(DB_TRAILS):
            u = scalar(decode(bytes([lead, trail])))
            if u == 0:
                continue
            trails.add(trail)
            if u in shown:
                words[t // WORD_BITS] |= 1 << (t % WORD_BITS)
        for w in range(WORDS_PER_ROW):
            ranks.append(len(scalars))
            for b in range(WORD_BITS):
                if words[w] >> b & 1:
                    trail = DB_TRAILS[w * WORD_BITS + b]
                    scalars.append(scalar(decode(bytes([lead, trail]))))
        bits.extend(words)
    trail_mask = [0] * 8
    for t in trails:
        trail_mask[t // 32] |= 1 << (t % 32)
    return bits, ranks, scalars, trail_mask


def hex_rows(values, digits, per_line, indent="    "):
    return [indent + " ".join(f"0x{v:0{digits}X}," for v in values[i:i + per_line])
            for i in range(0, len(values), per_line)]


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else "src/mime/charset_table_data.inc"
    decode = Converter("UTF-32BE", "CP932")
    encode = Converter("CP932", "UTF-32BE")

    single = [scalar(decode(bytes([b]))) if b not in LEADS else 0 for b in range(256)]
    rows = [[scalar(decode(bytes([lead, trail]))) for trail in TRAILS] for lead in LEADS]

    # The encoding a plain inversion gives: the first code that decodes to it.
    first = {}
    for b in range(256):
        if single[b] and single[b] not in first:
            first[single[b]] = b
    if 0 not in first:
        first[0] = 0
    for li, lead in enumerate(LEADS):
        for ti, trail in enumerate(TRAILS):
            u = rows[li][ti]
            if u and u not in first:
                first[u] = (lead << 8) | trail
    preferred = []
    for u in range(0x10000):
        if 0xD800 <= u <= 0xDFFF:
            continue
        got = encode(u.to_bytes(4, "big"))
        code = None if got is None else int.from_bytes(got, "big")
        if code is not None and first.get(u) != code:
            preferred.append((u, code))
        elif code is None and u in first:
            sys.exit(f"U+{u:04X} decodes but does not encode")

    latin = []
    for name, start in SINGLE_BYTE_SETS:
        conv = Converter("UTF-32BE", name)
        latin.append((name, start, [scalar(conv(bytes([b]))) for b in range(start, 256)]))

    # What the program can show: every character with a code page 932 code and
    # the ones it maps for mail.
    shown = set(first) | {u for u, _ in preferred} | {u for u, _ in MAIL_MAPPINGS}
    shown.discard(0)
    double = [(name,) + double_byte_table(iconv_name, shown)
              for name, iconv_name in DOUBLE_BYTE_SETS]

    lines = ["// Generated by tools/make_charset_tables.py from the C library's iconv; do not edit.",
             "// Scalars are Unicode code points, 0 where the code has no character.", ""]
    lines.append("// Single bytes 00-FF of code page 932 (lead bytes are 0 here).")
    lines.append("constexpr std::uint16_t kCp932Single[256] = {")
    for i in range(0, 256, 8):
        lines.append("    " + " ".join(f"0x{v:04X}," for v in single[i:i + 8]) + f"  // {i:02X}")
    lines.append("};")
    lines.append("")
    lines.append("// One row per lead byte (81-9F, E0-FC); trail bytes 40-7E then 80-FC.")
    lines.append(f"constexpr std::uint16_t kCp932Rows[{len(LEADS)}][{len(TRAILS)}] = {{")
    for li, lead in enumerate(LEADS):
        lines.append(f"    {{  // {lead:02X}")
        row = rows[li]
        for i in range(0, len(TRAILS), 8):
            lines.append("        " + " ".join(f"0x{v:04X}," for v in row[i:i + 8]) +
                         f"  // {lead:02X}{TRAILS[i]:02X}")
        lines.append("    },")
    lines.append("};")
    lines.append("")
    lines.append("// Encodings that differ from the first code that decodes to the character.")
    lines.append(f"constexpr std::uint16_t kCp932Preferred[{len(preferred)}][2] = {{")
    for u, code in preferred:
        lines.append(f"    {{0x{u:04X}, 0x{code:04X}}},")
    lines.append("};")
    lines.append("")
    lines.append("// Where mail departs from code page 932 (see tools/make_charset_tables.py).")
    lines.append(f"constexpr std::uint16_t kMailMappings[{len(MAIL_MAPPINGS)}][2] = {{")
    for u, code in MAIL_MAPPINGS:
        lines.append(f"    {{0x{u:04X}, 0x{code:04X}}},")
    lines.append("};")
    lines.append(f"constexpr std::uint16_t kDropped[{len(DROPPED)}] = {{")
    lines.extend(hex_rows(DROPPED, 4, 8))
    lines.append("};")
    lines.append("")
    lines.append("struct LatinTable {")
    lines.append("    const char* name;")
    lines.append("    unsigned first;  // first byte of the table; lower bytes are US-ASCII or C1")
    lines.append("    std::uint16_t scalars[128];")
    lines.append("};")
    lines.append(f"constexpr LatinTable kLatinTables[{len(latin)}] = {{")
    for name, start, values in latin:
        lines.append(f"    {{\"{name}\", 0x{start:02X}, {{")
        for i in range(0, len(values), 8):
            lines.append("        " + " ".join(f"0x{v:04X}," for v in values[i:i + 8]) +
                         f"  // {start + i:02X}")
        lines.append("    }},")
    lines.append("};")
    lines.append("")
    lines.append(f"// Double-byte sets: lead bytes {DB_LEADS[0]:02X}-{DB_LEADS[-1]:02X}, "
                 f"trail bytes {DB_TRAILS[0]:02X}-{DB_TRAILS[-1]:02X}, "
                 f"{WORDS_PER_ROW} words of bits per lead byte.")
    lines.append(f"constexpr unsigned kDoubleByteFirstLead = 0x{DB_LEADS[0]:02X};")
    lines.append(f"constexpr unsigned kDoubleByteLastLead = 0x{DB_LEADS[-1]:02X};")
    lines.append(f"constexpr unsigned kDoubleByteFirstTrail = 0x{DB_TRAILS[0]:02X};")
    lines.append(f"constexpr unsigned kDoubleByteLastTrail = 0x{DB_TRAILS[-1]:02X};")
    lines.append(f"constexpr unsigned kDoubleByteWordsPerRow = {WORDS_PER_ROW};")
    for name, bits, ranks, scalars, trail_mask in double:
        ident = name.capitalize()
        lines.append("")
        lines.append(f"// {name}: {len(scalars)} codes that code page 932 can show.")
        lines.append(f"constexpr std::uint32_t k{ident}Bits[{len(bits)}] = {{")
        lines.extend(hex_rows(bits, 8, WORDS_PER_ROW))
        lines.append("};")
        lines.append(f"constexpr std::uint16_t k{ident}Ranks[{len(ranks)}] = {{")
        lines.extend(hex_rows(ranks, 4, WORDS_PER_ROW))
        lines.append("};")
        lines.append(f"constexpr std::uint16_t k{ident}Scalars[{len(scalars)}] = {{")
        lines.extend(hex_rows(scalars, 4, 8))
        lines.append("};")
    lines.append("")
    lines.append("struct DoubleByteTable {")
    lines.append("    const char* name;")
    lines.append("    std::uint32_t trails[8];  // the trail bytes of the set's codes, a bit each")
    lines.append("    const std::uint32_t* bits;")
    lines.append("    const std::uint16_t* ranks;")
    lines.append("    const std::uint16_t* scalars;")
    lines.append("};")
    lines.append(f"constexpr DoubleByteTable kDoubleByteTables[{len(double)}] = {{")
    for name, bits, ranks, scalars, trail_mask in double:
        ident = name.capitalize()
        mask = ", ".join(f"0x{v:08X}" for v in trail_mask)
        lines.append(f"    {{\"{name}\", {{{mask}}}, k{ident}Bits, k{ident}Ranks, k{ident}Scalars}},")
    lines.append("};")
    with open(out_path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print(f"{out_path}: {sum(1 for r in rows for v in r if v)} double-byte codes, "
          f"{len(preferred)} preferred encodings, {len(latin)} single-byte sets, "
          + ", ".join(f"{name} {len(scalars)} shown" for name, _, _, scalars, _ in double))


if __name__ == "__main__":
    main()
