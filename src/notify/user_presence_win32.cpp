#include "notify/user_presence_win32.h"

#include <windows.h>

#include <atomic>

#include "mail/loaded_library_win32.h"

namespace pell {
namespace {

std::atomic<UserPresence*> g_testPresence{nullptr};

bool ShellSaysBusy() {
    // Looked up at run time: older systems do not have the query.
    using QueryFn = HRESULT(WINAPI*)(int*);
    static const QueryFn query = [] {
        HMODULE shell = GetModuleHandleA("shell32.dll");
        if (!shell)
            shell = LoadSystemLibrary("shell32.dll");
        return shell ? reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
                           GetProcAddress(shell, "SHQueryUserNotificationState")))
                     : nullptr;
    }();
    int state = 0;
    return query && SUCCEEDED(query(&state)) && IsQuietNotificationState(state);
}

}  // namespace

bool UserIsBusy() {
    if (UserPresence* presence = g_testPresence.load())
        return presence->IsBusy();
    return ShellSaysBusy();
}

void SetUserPresenceForTesting(UserPresence* presence) {
    g_testPresence = presence;
}

UserPresence& SystemPresence() {
    class System final : public UserPresence {
      public:
        bool IsBusy() override { return UserIsBusy(); }
    };
    static System system;
    return system;
}

}  // namespace pell
