#pragma once
// Whether the user is busy (presenting, running a full-screen program, quiet
// hours): then new-mail lists wait and the new-mail sound stays silent.
namespace pell {

class UserPresence {
  public:
    virtual ~UserPresence() = default;
    virtual bool IsBusy() = 0;
};

// The states of the platform's notification-state query that mean "do not
// disturb": busy 2, full-screen 3, presentation 4, quiet time 6.
bool IsQuietNotificationState(int state);

}  // namespace pell
