// pellcheck: runs the program's check of one or all accounts from a console,
// for scripts and for diagnosing a server, and prints what it found.
//   pellcheck [--settings FILE] [--account NAME | --all] [--no-save] [--json]
//   pellcheck [--settings FILE] --show-certificate --account NAME [--json]
//   pellcheck [--settings FILE] --watch --account NAME [--no-save] [--json]
//   pellcheck --decode-header TEXT [--utf8]
//   pellcheck --summarize FILE [--lines N] [--read-all] [--json] [--utf8]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "character/window_messages.h"
#include "cli/cli_platform.h"
#include "cli/overlay_store.h"
#include "mail/check_cycle.h"
#include "mail/check_services.h"
#include "mail/cp932_text.h"
#include "mail/imap_idle.h"
#include "mail/mail_session.h"
#include "mail/pop_session.h"
#include "mail/seen_uidl_store.h"
#include "mail/status_codes.h"
#include "mail/tls_policy.h"
#include "mime/encoded_words.h"
#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: pellcheck [--settings FILE] [--account NAME | --all] [--no-save] [--json]\n"
    "       pellcheck [--settings FILE] --show-certificate --account NAME [--json]\n"
    "       pellcheck [--settings FILE] --watch --account NAME [--no-save] [--json]\n"
    "       pellcheck --decode-header TEXT [--utf8]\n"
    "       pellcheck --summarize FILE [--lines N] [--read-all] [--json] [--utf8]\n";

struct Options {
    std::optional<std::string> settings;
    std::optional<std::string> account;
    bool all = false;
    bool noSave = false;
    bool showCertificate = false;
    bool watch = false;
    bool json = false;
    bool utf8 = false;
    std::optional<std::string> decodeHeader;
    std::optional<std::string> summarize;
    int lines = 10;
    bool linesGiven = false;
    bool readAll = false;
};

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options options;
    auto value = [&](int& i, const std::string& name) -> std::optional<std::string> {
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return std::nullopt;
        }
        return std::string(argv[++i]);
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string>* target = nullptr;
        if (arg == "--settings") {
            target = &options.settings;
        } else if (arg == "--account") {
            target = &options.account;
        } else if (arg == "--decode-header") {
            target = &options.decodeHeader;
        } else if (arg == "--summarize") {
            target = &options.summarize;
        } else if (arg == "--lines") {
            auto text = value(i, arg);
            if (!text)
                return std::nullopt;
            if (text->empty() || text->find_first_not_of("0123456789") != std::string::npos ||
                text->size() > 6) {
                error = "--lines needs a number from 0 to 999999";
                return std::nullopt;
            }
            options.lines = std::stoi(*text);
            options.linesGiven = true;
            continue;
        } else if (arg == "--all") {
            options.all = true;
            continue;
        } else if (arg == "--no-save") {
            options.noSave = true;
            continue;
        } else if (arg == "--show-certificate") {
            options.showCertificate = true;
            continue;
        } else if (arg == "--watch") {
            options.watch = true;
            continue;
        } else if (arg == "--json") {
            options.json = true;
            continue;
        } else if (arg == "--utf8") {
            options.utf8 = true;
            continue;
        } else if (arg == "--read-all") {
            options.readAll = true;
            continue;
        } else {
            error = "unknown option: " + arg;
            return std::nullopt;
        }
        if (*target) {
            error = arg + " given twice";
            return std::nullopt;
        }
        *target = value(i, arg);
        if (!*target)
            return std::nullopt;
    }

    const bool check = options.settings || options.account || options.all || options.noSave;
    const int modes = (options.decodeHeader ? 1 : 0) + (options.summarize ? 1 : 0);
    if (modes > 1) {
        error = "--decode-header and --summarize cannot be combined";
    } else if (modes == 1 && check) {
        error = "--settings, --account, --all and --no-save belong to a check";
    } else if (options.showCertificate && (!options.account || options.noSave || modes)) {
        error = "--show-certificate needs --account and takes only --settings and --json";
    } else if (options.watch && (!options.account || options.showCertificate || modes)) {
        error = "--watch needs --account and takes only --settings, --no-save and --json";
    } else if (options.account && options.all) {
        error = "--account and --all cannot be combined";
    } else if (options.decodeHeader && (options.json || options.readAll || options.linesGiven)) {
        error = "--decode-header takes only --utf8";
    } else if (modes == 0 && (options.readAll || options.linesGiven)) {
        error = "--lines and --read-all belong to --summarize";
    } else {
        return options;
    }
    return std::nullopt;
}

// A text of the program (Shift_JIS) as the chosen output wants it.
std::string Shown(const std::string& sjis, const Options& options) {
    return options.utf8 ? Cp932ToUtf8(sjis) : sjis;
}

std::string JsonText(const std::string& sjis) {
    return JsonString(Cp932ToUtf8(sjis));
}

std::string SummaryJson(const MailSummary& summary) {
    return "{\"date\":" + JsonText(summary.date) + ",\"from\":" + JsonText(summary.sender) +
           ",\"subject\":" + JsonText(summary.subject) + ",\"uidl\":" + JsonText(summary.uidl) +
           ",\"viewer\":" + JsonText(summary.viewer) + "}";
}

int DecodeHeader(const Options& options) {
    std::string decoded = *options.decodeHeader;
    DecodeHeaderText(decoded);
    std::cout << Shown(decoded, options) << "\n";
    return kExitOk;
}

int Summarize(const Options& options) {
    std::string raw;
    if (*options.summarize == "-") {
        raw.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(*options.summarize, std::ios::binary);
        if (!file) {
            std::cerr << "pellcheck: cannot read " << *options.summarize << "\n";
            return kExitFailed;
        }
        raw.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    ExtractedMessage message = ExtractMessage(raw, options.readAll, options.lines);
    const MailSummary& s = message.summary;
    if (options.json) {
        std::string object = SummaryJson(s);
        object.insert(1, "\"message_id\":" + JsonText(message.messageId) + ",");
        std::cout << object << "\n";
        return kExitOk;
    }
    std::cout << "Message-ID: " << Shown(message.messageId, options) << "\n"
              << "Date: " << Shown(s.date, options) << "\n"
              << "From: " << Shown(s.sender, options) << "\n"
              << "Subject: " << Shown(s.subject, options) << "\n"
              << "X-UIDL: " << Shown(s.uidl, options) << "\n\n"
              << Shown(s.viewer, options) << "\n";
    return kExitOk;
}

// The checker's main window: nothing to show, nothing to schedule.
class QuietHost final : public CheckHost {};

// With --no-save the seen UIDLs are read from the file and kept in memory.
class SeenUidlOverlay final : public SeenUidlStore {
  public:
    explicit SeenUidlOverlay(SeenUidlStore& base) : base_(base) {}
    std::optional<SeenUidls> Load(std::string_view account) override {
        auto kept = kept_.find(std::string(account));
        return kept != kept_.end() ? kept->second : base_.Load(account);
    }
    bool Save(std::string_view account, const SeenUidls& entry,
              const std::vector<std::string>&) override {
        kept_[std::string(account)] = entry;
        return true;
    }

  private:
    SeenUidlStore& base_;
    std::map<std::string, SeenUidls> kept_;
};

bool IsImapAccount(SettingsStore& settings, const std::string& section) {
    return settings.ReadInt(section, "Protocol", kProtocolPop3) == kProtocolImap;
}

void PrintOutcome(const Options& options, const std::string& name, const std::string& section,
                  bool imap, const CheckOutcome& outcome) {
    std::string statusText(StatusText(outcome.status));
    if (options.json) {
        std::string line = "{\"account\":" + JsonText(name) + ",\"section\":" + JsonText(section) +
                           ",\"protocol\":" + (imap ? "\"imap\"" : "\"pop3\"") +
                           ",\"status\":" + std::to_string(outcome.status) +
                           ",\"status_text\":" + JsonText(statusText) +
                           ",\"count\":" + std::to_string(outcome.messageCount) +
                           ",\"size\":" + std::to_string(outcome.mailboxSize) +
                           ",\"new\":" + std::to_string(outcome.newCount) +
                           ",\"new_at_least\":" + (outcome.newAtLeast ? "true" : "false") +
                           ",\"login_delay\":" + std::to_string(outcome.loginDelaySeconds);
        if (!outcome.tlsProtocol.empty() || !outcome.certificateFingerprint.empty()) {
            line += ",\"tls_protocol\":" + JsonText(outcome.tlsProtocol) +
                    ",\"tls_cipher\":" + JsonText(outcome.tlsCipher) +
                    ",\"certificate_fingerprint\":" + JsonText(outcome.certificateFingerprint);
        }
        line += ",\"summaries\":[";
        for (std::size_t i = 0; i < outcome.summaries.size(); ++i) {
            if (i)
                line += ",";
            line += SummaryJson(outcome.summaries[i]);
        }
        line += "]}";
        std::cout << line << std::endl;
        return;
    }
    std::cout << Shown(name, options) << " [" << section << "] status " << outcome.status << " "
              << Shown(statusText, options) << "; messages " << outcome.messageCount << ", size "
              << outcome.mailboxSize << ", new " << outcome.newCount
              << (outcome.newAtLeast ? "+" : "") << "\n";
    if (outcome.loginDelaySeconds > 0) {
        std::cout << "  the server allows a login every " << outcome.loginDelaySeconds
                  << " seconds (LOGIN-DELAY)\n";
    }
    if (!outcome.tlsProtocol.empty() || !outcome.certificateFingerprint.empty()) {
        std::cout << "  " << outcome.tlsProtocol << " " << outcome.tlsCipher
                  << ", certificate SHA-256 " << outcome.certificateFingerprint << "\n";
    }
    for (const MailSummary& s : outcome.summaries) {
        std::cout << "  " << Shown(s.date, options) << " | " << Shown(s.sender, options) << " | "
                  << Shown(s.subject, options) << "\n";
    }
    std::cout.flush();
}

// The reasons a certificate was refused, as words for scripts and people.
std::vector<std::string> ProblemWords(unsigned problems) {
    static const std::pair<unsigned, const char*> kWords[] = {
        {kCertificateUntrusted, "untrusted"}, {kCertificateWrongName, "wrong-name"},
        {kCertificateExpired, "expired"},     {kCertificateRevoked, "revoked"},
        {kCertificateOtherFault, "other"},
    };
    std::vector<std::string> words;
    for (const auto& [bit, word] : kWords) {
        if (problems & bit)
            words.emplace_back(word);
    }
    return words;
}

// Connects to the account's server without logging in and prints the
// certificate it presents, for a person to judge and pin. The names come from
// the server: printed for a terminal, their control characters are escaped.
int ShowCertificate(const Options& options, SettingsStore& settings, const std::string& section) {
    PopSessionInput in;
    in.server = settings.ReadText(section, "Server", "", 100);
    in.portText = settings.ReadText(section, "Port", "", 10);
    in.security = settings.ReadInt(section, "Security", 0);
    in.certFingerprint = settings.ReadText(section, "CertFingerprint", "", 256);
    in.timeoutSeconds = settings.ReadInt(section, "TimeOut", 180);
    std::unique_ptr<Network> network = MakePlatformNetwork();
    TlsOutcome tls;
    int status = IsImapAccount(settings, section)
                     ? ProbeImapCertificate(*network, ReadImapAccount(settings, section), tls)
                     : ProbeServerCertificate(*network, in, tls);
    std::string statusText(StatusText(status));
    if (options.json) {
        std::cout << "{\"account\":" << JsonText(*options.account)
                  << ",\"section\":" << JsonText(section) << ",\"status\":" << status
                  << ",\"status_text\":" << JsonText(statusText)
                  << ",\"tls_protocol\":" << JsonText(tls.protocol)
                  << ",\"tls_cipher\":" << JsonText(tls.cipher)
                  << ",\"certificate_fingerprint\":" << JsonText(tls.fingerprint)
                  << ",\"certificate_subject\":" << JsonString(tls.subject)
                  << ",\"certificate_issuer\":" << JsonString(tls.issuer)
                  << ",\"certificate_problems\":[";
        const char* separator = "";
        for (const std::string& word : ProblemWords(tls.problems)) {
            std::cout << separator << JsonString(word);
            separator = ",";
        }
        std::cout << "]}\n";
    } else {
        std::cout << Shown(*options.account, options) << " [" << section << "] " << in.server
                  << ": status " << status << " " << Shown(statusText, options) << "\n";
        if (!tls.fingerprint.empty()) {
            std::cout << "protocol: " << tls.protocol << "\ncipher: " << tls.cipher
                      << "\nsubject: " << EscapeControlCharacters(tls.subject)
                      << "\nissuer: " << EscapeControlCharacters(tls.issuer)
                      << "\nSHA-256: " << tls.fingerprint << "\n";
            std::string problems;
            for (const std::string& word : ProblemWords(tls.problems))
                problems += (problems.empty() ? "" : ", ") + word;
            if (!problems.empty())
                std::cout << "refused: " << problems << "\n";
        }
    }
    return tls.fingerprint.empty() ? kExitFailed : kExitOk;
}

// Runs the program's check of accounts and prints each outcome.
struct Checker {
    const Options& options;
    const std::string& path;
    CheckEnvironment& env;
    std::shared_ptr<CheckHost> host;
    std::shared_ptr<AccountList> accounts;

    // One check; false when it failed or its results could not be stored.
    bool CheckAndPrint(std::size_t index, const std::string& name, bool quietWithoutMail = false) {
        AccountEntry& entry = (*accounts)[index];
        entry.status = kStatusChecking;
        CheckStartBlock block;
        block.host = host;
        block.timerId = entry.timerId;
        block.accounts = accounts;
        block.passRunning = true;  // as a check started by hand
        CheckOutcome outcome = RunCheckCycle(block, env, true);
        bool ok = outcome.status == kStatusOk || outcome.status == kStatusNewMail;
        if (!quietWithoutMail || !ok || outcome.newCount > 0)
            PrintOutcome(options, name, entry.name, IsImapAccount(env.settings, entry.name),
                         outcome);
        if (!outcome.seenUidlsSaved) {
            // The counts stay exact: the next check decides by Mesid again.
            std::cerr << "pellcheck: could not write the seen UIDLs to " << SeenUidlPathFor(path)
                      << "\n";
        }
        if (!outcome.seenListSaved) {
            std::cerr << "pellcheck: could not write the seen messages to " << path << "\n";
            ok = false;
        }
        return ok;
    }
};

// Stays in IDLE on the account's folder and checks the account each time the
// server announces mail, printing what new mail the check found. Ends only
// when the idle connection fails (or the user interrupts).
int Watch(Checker& checker, std::size_t index, const std::string& name) {
    const std::string section = (*checker.accounts)[index].name;
    SettingsStore& settings = checker.env.settings;
    if (!IsImapAccount(settings, section)) {
        std::cerr << "pellcheck: --watch needs an IMAP account\n";
        return kExitFailed;
    }
    // The first check sets the marks that later checks count from.
    checker.CheckAndPrint(index, name, true);
    IdleControl control;
    IdleHooks hooks;
    hooks.onNewMail = [&] { checker.CheckAndPrint(index, name, true); };
    IdleResult result =
        RunImapIdle(checker.env.network, ReadImapAccount(settings, section), control, hooks);
    if (result.end == IdleEnd::kNoIdle) {
        std::cerr << "pellcheck: the server of " << name << " offers no IDLE\n";
    } else {
        std::cerr << "pellcheck: the idle connection of " << name << " ended: status "
                  << result.status << " "
                  << Shown(std::string(StatusText(result.status)), checker.options) << "\n";
    }
    return kExitFailed;
}

int Check(const Options& options) {
    std::string path = options.settings ? *options.settings : DefaultSettingsPath();
    if (!SettingsFileExists(path)) {
        std::cerr << "pellcheck: settings file not found: " << path << "\n";
        return kExitFailed;
    }
    std::unique_ptr<SettingsStore> file = OpenSettingsStore(path);
    OverlayStore overlay(*file);
    SettingsStore& settings = options.noSave ? static_cast<SettingsStore&>(overlay) : *file;

    std::shared_ptr<AccountList> accounts = LoadAccountList(settings);
    std::vector<std::size_t> chosen;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < accounts->size(); ++i) {
        AccountEntry& entry = (*accounts)[i];
        entry.timerId = kFirstCheckTimer + static_cast<std::uint32_t>(i);
        std::string name = settings.ReadText(entry.name, "Popname", "", 256);
        if (!options.account || *options.account == name) {
            chosen.push_back(i);
            names.push_back(name);
        }
    }
    if (options.account && chosen.empty()) {
        std::cerr << "pellcheck: no account named " << *options.account << " in " << path << "\n";
        return kExitFailed;
    }
    if (chosen.empty()) {
        std::cerr << "pellcheck: " << path << " lists no accounts\n";
        return kExitOk;
    }
    if (options.showCertificate)
        return ShowCertificate(options, settings, (*accounts)[chosen.front()].name);

    std::unique_ptr<Network> network = MakePlatformNetwork();
    std::unique_ptr<Clock> clock = MakeLocalClock();
    std::unique_ptr<SoundPlayer> sound = MakeSoundPlayer();
    std::unique_ptr<DialupProbe> dialup = MakeDialupProbe();
    SeenUidlFile uidlFile(SeenUidlPathFor(path), PlatformFileAccess());
    SeenUidlOverlay uidlOverlay(uidlFile);
    CheckEnvironment env{settings, *network, *clock, *sound, *dialup, nullptr};
    env.seenUidls = options.noSave ? static_cast<SeenUidlStore*>(&uidlOverlay) : &uidlFile;
    Checker checker{options, path, env, std::make_shared<QuietHost>(), accounts};
    if (options.watch)
        return Watch(checker, chosen.front(), names.front());

    int exitCode = kExitOk;
    for (std::size_t n = 0; n < chosen.size(); ++n) {
        if (!checker.CheckAndPrint(chosen[n], names[n]))
            exitCode = kExitFailed;
    }
    return exitCode;
}

}  // namespace
}  // namespace pell

int main(int argc, char** argv) {
    using namespace pell;
    PrepareConsoleOutput();
    std::string error;
    std::optional<Options> options = ParseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "pellcheck: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    if (options->decodeHeader)
        return DecodeHeader(*options);
    if (options->summarize)
        return Summarize(*options);
    return Check(*options);
}
