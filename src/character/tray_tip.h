#pragma once
// The tip text of the notification-area icon. A skin library's own tip wins;
// otherwise the Title setting is used, with a fallback that depends on why the
// icon is being set.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace pell {

inline constexpr std::string_view kDefaultTrayTip = "Pell Watcher";
// The tip field of the icon record holds 64 bytes including the terminator.
inline constexpr std::size_t kTrayTipMaxBytes = 63;
// A skin library's string 1 is read into a 200-byte buffer.
inline constexpr std::size_t kSkinTipCapacity = 200;

enum class TipOccasion {
    kShowing,  // creation, skin change, re-adding: empty Title gives "Pell Watcher"
    kRefresh,  // after a check: only a missing Title gives "Pell Watcher"
    kBlink,    // blink tick: an empty or missing Title gives an empty tip
};

// The tip for the occasion, cut to 63 bytes on a character boundary.
// `skinTip` is string 1 of the skin library in use; a skin library without that
// string (or with an empty one) leaves the tip to the Title setting.
std::string TrayTipText(SettingsStore& store, TipOccasion occasion,
                        std::optional<std::string_view> skinTip);

}  // namespace pell
