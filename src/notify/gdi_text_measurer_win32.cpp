#include "notify/gdi_text_measurer_win32.h"

namespace pell {
namespace {

UINT CodePageOf(HDC dc) {
    CHARSETINFO info{};
    const int charset = GetTextCharset(dc);
    if (charset != DEFAULT_CHARSET &&
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(charset)), &info,
                             TCI_SRCCHARSET)) {
        return info.ciACP;
    }
    return GetACP();
}

}  // namespace

GdiTextMeasurer::GdiTextMeasurer(HDC dc) : dc_(dc), codePage_(CodePageOf(dc)) {}

TextSize GdiTextMeasurer::Measure(std::string_view text) {
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return {size.cx, size.cy};
}

TextMeasurer::Fit GdiTextMeasurer::FitPrefixes(std::string_view text, const std::size_t* ends,
                                               std::size_t count, int maxWidth) {
    if (count == 0)
        return {};
    const int bytes = static_cast<int>(ends[count - 1]);
    std::vector<wchar_t>& wide = wide_;
    wide.resize(static_cast<std::size_t>(bytes) + 1);
    const int units = MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, text.data(), bytes,
                                          wide.data(), bytes + 1);
    // Only when every character became one unit do the partial extents line
    // up with the characters.
    if (units != static_cast<int>(count))
        return TextMeasurer::FitPrefixes(text, ends, count, maxWidth);
    widths_.assign(count, 0);
    int fit = 0;
    SIZE size{};
    // Without a limit every partial extent is filled; the fit is counted here.
    if (!GetTextExtentExPointW(dc_, wide.data(), units, 0x7FFFFFFF, &fit, widths_.data(), &size))
        return TextMeasurer::FitPrefixes(text, ends, count, maxWidth);
    std::size_t fitting = 0;
    while (fitting < count && widths_[fitting] <= maxWidth)
        ++fitting;
    return {fitting, widths_.data()};
}

}  // namespace pell
