#pragma once
// Whether the user is busy (presenting, running a full-screen program, quiet
// hours): then new-mail lists wait and the new-mail sound stays silent.
#include <memory>
#include <string>

#include "mail/check_cycle.h"

namespace pell {

class UserPresence {
  public:
    virtual ~UserPresence() = default;
    virtual bool IsBusy() = 0;
};

// The states of the platform's notification-state query that mean "do not
// disturb": busy 2, full-screen 3, presentation 4, quiet time 6.
bool IsQuietNotificationState(int state);

// Plays through `sound` unless the user is busy at that moment; a sound that
// was due while busy is not played later (it would only startle).
class QuietWhileBusySound final : public SoundPlayer {
  public:
    QuietWhileBusySound(std::unique_ptr<SoundPlayer> sound, UserPresence& presence)
        : sound_(std::move(sound)), presence_(presence) {}
    void PlayAsync(const std::string& file) override;

  private:
    std::unique_ptr<SoundPlayer> sound_;
    UserPresence& presence_;
};

}  // namespace pell
