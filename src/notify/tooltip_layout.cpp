#include "notify/tooltip_layout.h"

#include "character/shift_jis_cut.h"
#include "mail/status_codes.h"

namespace pell {

TooltipLine TooltipAccountLine(int count, const std::string& name, int status) {
    TooltipLine line;
    line.text = std::to_string(count < 0 ? 0 : count) + "件 " + name;
    if (status == kStatusOk)
        return line;
    line.text += "(" + std::string(StatusText(status)) + ")";
    if (status > 0) {
        line.colour = 0x4040FF;
    } else if (status == kStatusNewMail) {
        line.colour = 0xFF0000;
    } else {
        line.colour = 0x6EA0A0;
    }
    return line;
}

std::vector<TooltipLine> TooltipLines(const AccountList& accounts, SettingsStore& settings) {
    std::vector<TooltipLine> lines;
    for (const AccountEntry& entry : accounts) {
        if (entry.name.empty())
            break;
        // Cut on a character boundary: half a character would swallow the "(".
        const std::string name =
            CutShiftJis(settings.ReadText(entry.name, "Popname", "", 256), kTooltipNameMaxBytes);
        lines.push_back(TooltipAccountLine(entry.messageCount, name, entry.status));
    }
    if (lines.empty())
        lines.push_back({kTooltipEmptyText, 0x000000});
    return lines;
}

TooltipRect PlaceTooltip(int left, int top, int blockWidth, int blockHeight,
                         const DesktopRect& desktop, int dpi) {
    const int sides = ScaleForDpi(6, dpi);
    const int ends = ScaleForDpi(5, dpi);
    TooltipRect rect{left, top, blockWidth + sides, blockHeight + ends};
    if (static_cast<long long>(left) + blockWidth + sides > desktop.right)
        rect.x = desktop.right - blockWidth - sides;
    if (static_cast<long long>(top) + blockHeight + ends > desktop.bottom)
        rect.y = top - blockHeight - ScaleForDpi(28, dpi);
    return rect;
}

}  // namespace pell
