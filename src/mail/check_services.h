#pragma once
// This platform's clock, new-mail sound and dial-up probe for the check cycle.
#include <memory>
#include <string_view>

#include "mail/check_cycle.h"

namespace pell {

std::unique_ptr<Clock> MakeLocalClock();
std::unique_ptr<SoundPlayer> MakeSoundPlayer();
std::unique_ptr<DialupProbe> MakeDialupProbe();
// The platform's debug output (nothing where there is none).
void DebugTrace(std::string_view text);

}  // namespace pell
