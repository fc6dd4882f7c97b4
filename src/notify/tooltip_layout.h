#pragma once
// The tooltip as plain layout: one line per account with its count, name and
// status in the status's colour, and its place inside the desktop.
#include <cstdint>
#include <string>
#include <vector>

#include "notify/list_layout.h"
#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

inline constexpr std::uint32_t kTooltipBackground = 0xBFFFFF;
inline constexpr char kTooltipFontFace[] = "ＭＳ Ｐゴシック";
inline constexpr int kTooltipFontHeight = 12;
inline constexpr char kTooltipEmptyText[] = "Pell Watcher";
// Popname is read into a 20-byte buffer.
inline constexpr std::size_t kTooltipNameMaxBytes = 19;

struct TooltipLine {
    std::string text;
    std::uint32_t colour = 0;
};

// The line of one account: "%d件 %s" for status 0, "%d件 %s(%s)" otherwise.
TooltipLine TooltipAccountLine(int count, const std::string& name, int status);

// One line per account (names from their Popname keys), or "Pell Watcher"
// for an empty list.
std::vector<TooltipLine> TooltipLines(const AccountList& accounts, SettingsStore& settings);

struct TooltipRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The tooltip for a text block of blockWidth x blockHeight, from the window's
// current top-left corner: shifted left to meet the desktop's right edge, or
// put above the pointer when it would pass the bottom.
// The margins are for 96 DPI and grow with `dpi`.
TooltipRect PlaceTooltip(int left, int top, int blockWidth, int blockHeight,
                         const DesktopRect& desktop, int dpi = kBaseDpi);

}  // namespace pell
