// The Windows clock, PlaySoundA and the dial-up service of RASAPI32. Both
// libraries are loaded on first use: many systems have no dial-up at all, and
// many runs never play a sound.
#include <windows.h>
// The multimedia and dial-up headers need the base definitions first.
#include <mmsystem.h>
#include <ras.h>

#include <string>

#include "mail/check_services.h"
#include "mail/loaded_library_win32.h"
#include "notify/user_presence_win32.h"

namespace pell {
namespace {

#ifndef _WIN64
static_assert(sizeof(RASCONNA) == 704, "RASCONN record of the dial-up service");
#endif
static_assert(sizeof(RASCONNSTATUSA) == 288, "RASCONNSTATUS record of the dial-up service");

class LocalClock final : public Clock {
  public:
    int LocalHour() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now.wHour;
    }
};

class WaveSound final : public SoundPlayer {
  public:
    void PlayAsync(const std::string& file) override {
        using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
        struct Winmm;
        if (auto play = EntryPointForRun<Winmm, PlaySoundFn>("WINMM.DLL", "PlaySoundA"))
            play(file.c_str(), nullptr, SND_ASYNC | SND_FILENAME);
    }
};

class RasDialupProbe final : public DialupProbe {
  public:
    bool IsDialupConnected() override {
        using EnumFn = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
        using StatusFn = DWORD(WINAPI*)(HRASCONN, LPRASCONNSTATUSA);
        LoadedLibrary ras("RASAPI32.DLL");
        if (!ras.get())
            return false;
        auto enumConnections = EntryPoint<EnumFn>(ras.get(), "RasEnumConnectionsA");
        auto connectStatus = EntryPoint<StatusFn>(ras.get(), "RasGetConnectStatusA");
        if (!enumConnections)
            return false;
        // Room for exactly one connection: with more than one active the call
        // fails, and the answer is false.
        RASCONNA connection{};
        connection.dwSize = sizeof connection;
        DWORD bytes = sizeof connection;
        DWORD count = 0;
        if (enumConnections(&connection, &bytes, &count) != 0 || count == 0)
            return false;
        if (!connectStatus)
            return false;
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        return connectStatus(connection.hrasconn, &status) == 0 &&
               status.rasconnstate == RASCS_Connected;
    }
};

}  // namespace

std::unique_ptr<Clock> MakeLocalClock() {
    return std::make_unique<LocalClock>();
}
std::unique_ptr<SoundPlayer> MakeSoundPlayer() {
    // No chime over a presentation or a full-screen program.
    return std::make_unique<QuietWhileBusySound>(std::make_unique<WaveSound>(), SystemPresence());
}
std::unique_ptr<DialupProbe> MakeDialupProbe() {
    return std::make_unique<RasDialupProbe>();
}
void DebugTrace(std::string_view text) {
    OutputDebugStringA(std::string(text).c_str());
}

}  // namespace pell
