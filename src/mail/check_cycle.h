#pragma once
// The check of one account from start to end, as the worker thread runs it:
// the gates (Check, flat-rate hours, dial-up), the thinking face, the settings
// it reads and repairs, the POP3 session, the results in the account entry and
// the settings file, the sound, the new-mail notice and the end of the run.
// The platform services come in through small interfaces so that every
// decision can be exercised with fakes.
#include <string>

#include "mail/check_worker.h"
#include "mail/line_channel.h"
#include "mail/mail_summary.h"
#include "mail/seen_uidl_store.h"
#include "mail/socket_channel.h"
#include "settings/settings_store.h"

namespace pell {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int LocalHour() = 0;  // 0..23
};

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts playing a wave file by name without waiting; failures are silent.
    virtual void PlayAsync(const std::string& file) = 0;
};

class DialupProbe {
  public:
    virtual ~DialupProbe() = default;
    virtual bool IsDialupConnected() = 0;
};

struct CheckEnvironment {
    SettingsStore& settings;
    Network& network;
    Clock& clock;
    SoundPlayer& sound;
    DialupProbe& dialup;
    TraceSink trace;
    // The UIDLs each mailbox held at its last check; none: the Message-IDs
    // of Mesid alone decide what is new.
    SeenUidlStore* seenUidls = nullptr;
};

// What a run did, for callers that report it (the command-line checker).
struct CheckOutcome {
    bool ran = false;        // the account was found and not busy
    bool published = false;  // the results were stored (the run was not abandoned)
    int accountIndex = -1;
    int status = 0;
    int messageCount = 0;
    int mailboxSize = 0;
    int newCount = 0;
    bool newAtLeast = false;     // newCount is a lower bound (see PopSessionOutput)
    int loginDelaySeconds = 0;   // the server's LOGIN-DELAY, 0 when none
    bool seenListSaved = true;   // false when the settings file refused Mesid
    bool seenUidlsSaved = true;  // false when the seen-UIDL file could not be written
    MailSummaryList summaries;   // filled only when asked for
    // The protected connection, when TLS was used (see PopSessionOutput).
    std::string tlsProtocol;
    std::string tlsCipher;
    std::string certificateFingerprint;
};

// True when hour h lies in the flat-rate window from start to end; a window
// whose start is after its end runs through midnight; start == end is empty.
bool IsInsideHours(int hour, int start, int end);

// "%s にメールが%d通届いています。"; a lower bound reads "%d+通".
std::string NewMailNoticeText(const std::string& displayName, int count, bool atLeast = false);

// Runs one check cycle for the account whose timer id is block.timerId.
CheckOutcome RunCheckCycle(const CheckStartBlock& block, CheckEnvironment& env,
                           bool keepSummaries = false);

}  // namespace pell
