#pragma once
// The user's notification state from the shell, behind UserPresence.
#include "notify/user_presence.h"

namespace pell {

// The shell's answer (a system without the query is never busy), or the
// presence a test has set. Safe to call from any thread.
bool UserIsBusy();
void SetUserPresenceForTesting(UserPresence* presence);
// UserIsBusy as a UserPresence; lives for the whole run.
UserPresence& SystemPresence();

}  // namespace pell
