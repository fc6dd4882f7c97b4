#include "notify/user_presence.h"

namespace pell {

bool IsQuietNotificationState(int state) {
    return state == 2 || state == 3 || state == 4 || state == 6;
}

void QuietWhileBusySound::PlayAsync(const std::string& file) {
    if (!presence_.IsBusy())
        sound_->PlayAsync(file);
}

}  // namespace pell
