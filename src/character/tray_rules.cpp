#include "character/tray_rules.h"

#include "character/menu_commands.h"

namespace pell {

TrayNotifyDecision DecideTrayNotify(unsigned mouseMessage, bool doubleClickChecksNow) {
    switch (mouseMessage) {
        case kTrayDoubleClick:
            return {TrayNotifyAction::kCommand,
                    doubleClickChecksNow ? kCommandCheckNow : kCommandSettings};
        case kTrayRightButtonUp:
            return {TrayNotifyAction::kOpenMenu, 0};
        default:
            return {};
    }
}

TraySkinStep DecideSkinChangeStep(bool taskTrayOn, bool present) {
    if (!taskTrayOn)
        return TraySkinStep::kDelete;
    return present ? TraySkinStep::kModify : TraySkinStep::kAdd;
}

}  // namespace pell
