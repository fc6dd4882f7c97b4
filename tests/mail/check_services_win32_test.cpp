// The sound and the dial-up probe load their libraries on first use: the
// first call works, a missing wave file or an absent dial-up service is no
// error, and the multimedia library stays for the sound that plays on.
#include <windows.h>

#include <gtest/gtest.h>

#include "mail/check_services.h"

namespace pell {
namespace {

TEST(CheckServicesWin32, RareLibrariesWorkOnFirstUse) {
    MakeSoundPlayer()->PlayAsync("Z:\\pell-no-such-sound.wav");
    EXPECT_NE(GetModuleHandleA("WINMM.DLL"), nullptr);
    // No dial-up connection on a test machine; the library is released again.
    EXPECT_FALSE(MakeDialupProbe()->IsDialupConnected());
    EXPECT_EQ(GetModuleHandleA("RASAPI32.DLL"), nullptr);
}

}  // namespace
}  // namespace pell
