#include "mail/check_cycle.h"

#include <algorithm>
#include <cstdint>

#include "character/window_messages.h"
#include "mail/imap_settings.h"
#include "mail/mail_session.h"
#include "mail/pop_session.h"
#include "mail/status_codes.h"
#include "mail/tls_policy.h"
#include "settings/password_scramble.h"
#include "settings/settings_conventions.h"
#include "settings/timer_periods.h"

namespace pell {
namespace {

constexpr int kDefaultTimeOut = 180;
constexpr int kDefaultGetLines = 10;
constexpr int kDefaultMessageKillSeconds = 5;
constexpr int kDefaultTimerSeconds = 300;
constexpr int kMaxWatchdogSeconds = 4294966;

int ReadTimeOut(SettingsStore& settings, const std::string& section) {
    if (settings.ReadText(section, "TimeOut", "", 32).empty()) {
        settings.Write(section, "TimeOut", "180");
        return kDefaultTimeOut;
    }
    return settings.ReadInt(section, "TimeOut", kDefaultTimeOut);
}

std::unique_ptr<NewMailNotice> MakeNotice(SettingsStore& settings, const std::string& section,
                                          int index, int newCount, bool atLeast) {
    auto notice = std::make_unique<NewMailNotice>();
    notice->text =
        NewMailNoticeText(settings.ReadText(section, "Popname", "", 256), newCount, atLeast);
    notice->accountName = section;
    notice->accountIndex = index;
    notice->titleTextColor = ReadHexColor(settings, section, "TitleTextColor", 0xFF0000);
    notice->textColor = ReadHexColor(settings, section, "TextColor", 0x000000);
    notice->backGroundColor = ReadHexColor(settings, section, "BackGroundColor", 0xD2FFFF);
    notice->selectTextColor = ReadHexColor(settings, section, "SelectTextColor", 0xFFFFFF);
    notice->selectBackGroundColor =
        ReadHexColor(settings, section, "SelectBackGroundColor", 0x7845FF);
    notice->bodyHeaderTextColor = ReadHexColor(settings, section, "BodyHeaderTextColor", 0xBE0000);
    notice->bodyTextColor = ReadHexColor(settings, section, "BodyTextColor", 0x000000);
    notice->bodyBackGroundColor = ReadHexColor(settings, section, "BodyBackGroundColor", 0xE6FFFF);
    notice->fontFace = settings.ReadText(section, "FontFace", "ＭＳ ゴシック", 32);
    notice->fontHeight = settings.ReadInt(section, "FontHeight", 12);
    notice->bodyFontHeight = settings.ReadInt(section, "BodyFontHeight", 12);
    notice->body = ReadFlag(settings, section, "PopupBody", kNo);
    return notice;
}

struct RememberedEntry {
    std::optional<SeenUidls> entry;  // as the file holds it
    bool usable = false;             // made for this mailbox and this Mesid
};

RememberedEntry RememberedUidls(CheckEnvironment& env, const std::string& section,
                                const std::string& mailbox, const std::string& seenIds) {
    RememberedEntry remembered;
    if (!env.seenUidls)
        return remembered;
    remembered.entry = env.seenUidls->Load(section);
    remembered.usable = remembered.entry && remembered.entry->mailbox == mailbox &&
                        remembered.entry->seenIdsHash == SeenIdsHash(seenIds);
    return remembered;
}

// Writes the account's entry when it changed; a run stopped for the settings
// dialog writes nothing, as with the settings file.
bool SaveUidls(SeenUidlStore& store, const std::string& section, const SeenUidls& next,
               const RememberedEntry& remembered, const AccountList& accounts, CheckRun* run) {
    if (remembered.entry && *remembered.entry == next)
        return true;
    std::vector<std::string> sections;
    for (const AccountEntry& account : accounts)
        sections.push_back(account.name);
    auto save = [&] { return store.Save(section, next, sections); };
    return run ? run->GuardedWrite(save) : save();
}

void Trace(const CheckEnvironment& env, const std::string& text) {
    if (env.trace)
        env.trace(text);
}

}  // namespace

bool IsInsideHours(int hour, int start, int end) {
    if (start > end)
        return hour >= start || hour < end;
    return start <= hour && hour < end;
}

std::string NewMailNoticeText(const std::string& displayName, int count, bool atLeast) {
    return displayName + " にメールが" + std::to_string(count) + (atLeast ? "+" : "") +
           "通届いています。";
}

CheckOutcome RunCheckCycle(const CheckStartBlock& block, CheckEnvironment& env,
                           bool keepSummaries) {
    CheckOutcome outcome;
    if (!block.accounts || !block.host)
        return outcome;
    AccountList& accounts = *block.accounts;
    auto found = std::find_if(accounts.begin(), accounts.end(), [&](const AccountEntry& entry) {
        return entry.timerId.load() == block.timerId;
    });
    if (found == accounts.end() || found->name.empty() || found->busy.load())
        return outcome;
    AccountEntry& entry = *found;
    const int index = static_cast<int>(found - accounts.begin());
    const std::string section = entry.name;
    const std::uint32_t watchdog = kFirstWatchdogTimer + static_cast<std::uint32_t>(index);
    CheckHost& host = *block.host;
    SettingsStore& settings = env.settings;
    CheckRun* run = block.run.get();
    outcome.ran = true;
    outcome.accountIndex = index;

    int status = entry.status.load();

    // Flat-rate hours.
    bool hourGateOpen = true;
    int hour = env.clock.LocalHour();
    if (ReadFlag(settings, kControlSection, "Teleho", kNo)) {
        int start = settings.ReadInt(kControlSection, "TelehoStartTime", -1);
        int end = settings.ReadInt(kControlSection, "TelehoEndTime", -1);
        if (start < 0)
            start = 23;
        if (end < 0)
            end = 8;
        if (!IsInsideHours(hour, start, end)) {
            hourGateOpen = false;
            status = kStatusOutsideHours;
        }
    }
    // Dial-up connection.
    bool dialupGateOpen = true;
    if (ReadFlag(settings, kControlSection, "RasChk", kNo) && !env.dialup.IsDialupConnected()) {
        dialupGateOpen = false;
        status = kStatusNoDialup;
    }
    if (!block.passRunning)
        host.KillTimer(block.timerId);

    bool runSession = true;
    if (!ReadFlag(settings, section, "Check", kYes)) {
        status = kStatusCheckOff;
        runSession = false;
    } else if ((!block.passRunning && !hourGateOpen) || !dialupGateOpen) {
        runSession = false;
    } else if (run && run->abandoned()) {
        runSession = false;  // given up already: contact no server
    }

    PopSessionOutput session;
    std::string mailbox;
    RememberedEntry remembered;
    int protocol = kProtocolPop3;
    if (runSession) {
        if (ReadFlag(settings, kControlSection, "Think", kYes))
            host.ShowThinkingFace();
        PopSessionInput in;
        in.timeoutSeconds = ReadTimeOut(settings, section);
        in.server = settings.ReadText(section, "Server", "", 100);
        in.user = settings.ReadText(section, "User", "", 50);
        in.password =
            UnscramblePassword(settings.ReadText(section, "Password", "", kMaxScrambledLength + 1));
        in.portText = settings.ReadText(section, "Port", "", 10);
        in.security = settings.ReadInt(section, "Security", kSecurityPlain);
        in.certFingerprint = settings.ReadText(section, "CertFingerprint", "", 256);
        in.apop = ReadFlag(settings, section, "APOP", kNo);
        in.readAll = ReadFlag(settings, section, "ReadAll", kNo);
        in.getLines = ReadRepairingNumber(settings, kControlSection, "GetLines", kDefaultGetLines);
        in.seenIds = settings.ReadText(section, "Mesid", "", kSeenIdListCapacity);
        mailbox = MailboxIdentity(in.server, in.portText, in.user);
        remembered = RememberedUidls(env, section, mailbox, in.seenIds);
        if (remembered.usable)
            in.seenUidls = remembered.entry->uidls;
        in.serverLacksUidl = entry.serverLacksUidl.load();
        protocol = in.protocol = settings.ReadInt(section, "Protocol", kProtocolPop3);
        if (protocol == kProtocolImap) {
            in.folder = ReadImapFolder(settings, section);
            in.imapUidValidity = ReadImapMark(settings, section, "ImapUidValidity");
            in.imapUidNext = ReadImapMark(settings, section, "ImapUidNext");
        }

        PopSessionHooks hooks;
        hooks.trace = env.trace;
        hooks.run = run;
        const int timeout = in.timeoutSeconds;
        hooks.rearmWatchdog = [&host, run, watchdog, timeout] {
            if (timeout < 1 || timeout > kMaxWatchdogSeconds)
                return;
            if (run && run->abandoned())
                return;
            host.KillTimer(watchdog);
            host.SetTimer(watchdog, TimerPeriodMs(timeout, 1000));
        };
        entry.busy = true;
        RunMailSession(env.network, in, session, hooks);
    }

    // From here on the run publishes; an abandoned run has been reported as
    // timed out by the main window and must leave no trace.
    if (run && !run->Commit()) {
        std::uint64_t worker = entry.worker.load();
        if (worker == 0 || worker == run->id())
            entry.busy = false;
        Trace(env, "check " + section + ": abandoned\n");
        return outcome;
    }
    outcome.published = true;

    if (runSession) {
        status = session.result;
        if (session.result == kStatusOk) {
            entry.messageCount = session.messageCount;
            entry.mailboxSize = session.mailboxSize;
            outcome.seenListSaved = session.newSeenIds
                                        ? settings.Write(section, "Mesid", *session.newSeenIds)
                                        : settings.DeleteKey(section, "Mesid");
            if (outcome.seenListSaved && session.uidls && env.seenUidls) {
                const SeenUidls next{mailbox, SeenIdsHash(session.newSeenIds.value_or("")),
                                     std::move(*session.uidls)};
                outcome.seenUidlsSaved =
                    SaveUidls(*env.seenUidls, section, next, remembered, accounts, run);
            }
            if (protocol == kProtocolImap &&
                !StoreImapMarks(settings, section, session.imapUidValidity, session.imapUidNext))
                outcome.seenListSaved = false;
        }
        entry.serverLacksUidl = session.serverLacksUidl;
        // A check that ended before CAPA leaves the delay known so far.
        if (session.capabilities.listed || session.result == kStatusOk)
            entry.loginDelaySeconds = session.capabilities.loginDelaySeconds;
        outcome.newAtLeast = session.newAtLeast;
        outcome.loginDelaySeconds = session.capabilities.loginDelaySeconds;
        outcome.messageCount = session.messageCount;
        outcome.mailboxSize = session.mailboxSize;
        outcome.newCount = session.newCount;
        outcome.tlsProtocol = session.tlsProtocol;
        outcome.tlsCipher = session.tlsCipher;
        outcome.certificateFingerprint = session.certificateFingerprint;
        if (keepSummaries && session.summaries)
            outcome.summaries = *session.summaries;

        if (session.newCount > 0) {
            host.SetLastNewMailAccount(index);
            status = kStatusNewMail;
            entry.status = status;
            std::string sound = settings.ReadText(section, "Sound", "", 256);
            if (!sound.empty())
                env.sound.PlayAsync(sound);
            if (ReadFlag(settings, section, "Popup", kNo)) {
                if (ReadFlag(settings, section, "Popuptimer", kNo)) {
                    int seconds = ReadRepairingNumber(settings, kControlSection, "MessageKillTimer",
                                                      kDefaultMessageKillSeconds);
                    if (seconds == 0)
                        seconds = kDefaultMessageKillSeconds;
                    host.SetTimer(kTimerMessageBoxCloser, TimerPeriodMs(seconds, 1000));
                }
                std::unique_ptr<NewMailNotice> notice =
                    MakeNotice(settings, section, index, session.newCount, session.newAtLeast);
                if (ReadFlag(settings, section, "PopupSubj", kNo))
                    notice->summaries = std::move(session.summaries);
                host.PostNewMail(std::move(notice));
            }
        }
        FreeMailSummaries(session.summaries);
    }
    entry.status = status;
    outcome.status = status;
    // One line per check in the debug output: what a long run is judged by.
    Trace(env, "check " + section + ": status " + std::to_string(status) + ", " +
                   std::to_string(outcome.newCount) + " new\n");

    // End of the run. A negative period would arm a timer of weeks: like 0, it
    // leaves the account to checks started by hand.
    int period = settings.ReadInt(section, "Timer", kDefaultTimerSeconds);
    if (!block.passRunning && period > 0)
        host.SetTimer(block.timerId, TimerPeriodMs(period, 1000));
    host.ClearCheckRunning();
    entry.busy = false;
    if (run) {
        std::uint64_t mine = run->id();
        entry.worker.compare_exchange_strong(mine, 0);
    } else {
        entry.worker = 0;
    }
    host.KillTimer(watchdog);
    host.PostCheckDone();
    return outcome;
}

}  // namespace pell
