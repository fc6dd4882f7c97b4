#include "character/tray_tip.h"

#include "character/shift_jis_cut.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

// Title is read generously and then cut, so that a long value loses whole
// characters only.
constexpr std::size_t kTitleCapacity = 256;

std::string ReadTitle(SettingsStore& store, TipOccasion occasion) {
    switch (occasion) {
        case TipOccasion::kShowing: {
            std::string title = store.ReadText(kControlSection, "Title", "", kTitleCapacity);
            return title.empty() ? std::string(kDefaultTrayTip) : title;
        }
        case TipOccasion::kRefresh:
            return store.ReadText(kControlSection, "Title", kDefaultTrayTip, kTitleCapacity);
        case TipOccasion::kBlink:
            break;
    }
    return store.ReadText(kControlSection, "Title", "", kTitleCapacity);
}

}  // namespace

std::string TrayTipText(SettingsStore& store, TipOccasion occasion,
                        std::optional<std::string_view> skinTip) {
    if (skinTip && !skinTip->empty())
        return CutShiftJis(*skinTip, kTrayTipMaxBytes);
    return CutShiftJis(ReadTitle(store, occasion), kTrayTipMaxBytes);
}

}  // namespace pell
