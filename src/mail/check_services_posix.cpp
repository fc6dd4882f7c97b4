// The Linux stand-ins: the local clock, no sound device and no dial-up service.
#include <ctime>

#include "mail/check_services.h"

namespace pell {
namespace {

class LocalClock final : public Clock {
  public:
    int LocalHour() override {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_hour;
    }
};

class SilentSound final : public SoundPlayer {
  public:
    void PlayAsync(const std::string& /*file*/) override {}
};

class NoDialup final : public DialupProbe {
  public:
    bool IsDialupConnected() override { return false; }
};

}  // namespace

std::unique_ptr<Clock> MakeLocalClock() {
    return std::make_unique<LocalClock>();
}
std::unique_ptr<SoundPlayer> MakeSoundPlayer() {
    return std::make_unique<SilentSound>();
}
std::unique_ptr<DialupProbe> MakeDialupProbe() {
    return std::make_unique<NoDialup>();
}
void DebugTrace(std::string_view /*text*/) {}

}  // namespace pell
