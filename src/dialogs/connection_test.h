#pragma once
// The account dialog's connection test: one check of the values typed so
// far, which saves nothing and announces nothing, and its report. When the
// server's certificate is refused, the user may choose to trust it; the
// account keeps it when it is saved.
#include <optional>
#include <string>
#include <string_view>

#include "dialogs/account_dialog_logic.h"
#include "mail/pop_session.h"

namespace pell {

inline constexpr char kConnectionTestCaption[] = "接続ﾃｽﾄ";

// A test never waits longer than this for a silent server.
inline constexpr int kConnectionTestTimeout = 60;

// The session's input from the fields (checked first, with the messages of
// OK) and from what the account has stored: its seen messages, so that the
// test reads no more than a check would, and its pinned certificate while the
// server is the one it was pinned for. Nothing is written to the file.
std::optional<PopSessionInput> PrepareConnectionTest(DialogSurface& dialog, SettingsStore& store,
                                                     const AccountDialogSession& session);

// Shows the result. For a refused certificate whose fingerprint is known it
// asks whether to trust it, naming why it was refused, its subject and its
// issuer; yes keeps the fingerprint for the save.
void ReportConnectionTest(DialogSurface& dialog, AccountDialogSession& session,
                          const PopSessionOutput& result);

// 64 hex digits in upper case from a fingerprint with or without colons;
// empty when it is not one.
std::string NormalizedFingerprint(std::string_view text);
// "AB:CD:..." for reading.
std::string GroupedFingerprint(std::string_view fingerprint);

}  // namespace pell
