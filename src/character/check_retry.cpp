#include "character/check_retry.h"

#include "mail/status_codes.h"

namespace pell {

bool IsNetworkFailure(int status) {
    return status == kStatusResolve || status == kStatusConnect || status == kStatusOtherApp ||
           status == kStatusTlsFailed;
}

std::optional<std::uint32_t> RetryDelaySeconds(int failures, int periodSeconds) {
    constexpr std::int64_t kFirstDelaySeconds = 60;
    if (failures < 1 || failures > 31 || periodSeconds <= 0)
        return std::nullopt;
    const std::int64_t delay = kFirstDelaySeconds << (failures - 1);
    if (delay >= periodSeconds)
        return std::nullopt;
    return static_cast<std::uint32_t>(delay);
}

}  // namespace pell
