#pragma once
// Checks that failed because the network was not there (after a resume from
// sleep, a cable pulled, a wireless network not yet joined) are tried again
// soon instead of waiting for the account's whole period with the error face.
#include <cstdint>
#include <optional>

namespace pell {

// Failures before the login for a reason of the network: the name could not
// be resolved (3), the connection failed (5), another program holds one (17),
// or the protected connection could not be set up (18).
bool IsNetworkFailure(int status);

// The delay in seconds before the next try after `failures` (1 or more)
// network failures in a row: 1, 2, 4 ... minutes, as long as that try comes
// before the account's own period would bring the next check; after that (and
// for an account without a period) nothing, and the period rules again.
std::optional<std::uint32_t> RetryDelaySeconds(int failures, int periodSeconds);

}  // namespace pell
