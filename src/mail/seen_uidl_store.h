#pragma once
// Which messages each account's mailbox held at its last successful check, by
// their UIDLs: the exact answer to "what is new". One small file beside the
// settings file keeps them for every account, so that the settings file does
// not grow with the mailboxes. The file is replaced as a whole and only when
// an entry changed; an entry holds only the ids of the messages on the server,
// so it is as large as the mailbox and no larger.
//
// An entry is trusted only for the mailbox it was made for (server, port and
// user) and only together with the seen-id list (Mesid) that was saved with
// it. After a check that could not save it, a version that does not know the
// file, or a settings file put back from elsewhere, the entry does not match,
// and the check decides by Mesid as older versions do, then saves it anew.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

struct SeenUidls {
    std::string mailbox;      // MailboxIdentity of the account
    std::string seenIdsHash;  // SeenIdsHash of the Mesid saved with it
    std::vector<std::string> uidls;

    bool operator==(const SeenUidls& other) const {
        return mailbox == other.mailbox && seenIdsHash == other.seenIdsHash && uidls == other.uidls;
    }
};

// 32 hex digits naming the mailbox of an account: its server (any case),
// port text and user.
std::string MailboxIdentity(std::string_view server, std::string_view port, std::string_view user);
// 32 hex digits of a seen-id list as stored.
std::string SeenIdsHash(std::string_view seenIds);

class SeenUidlStore {
  public:
    virtual ~SeenUidlStore() = default;
    // The entry of an account (its section name, any case); nothing when
    // there is none or the file cannot be read.
    virtual std::optional<SeenUidls> Load(std::string_view account) = 0;
    // Replaces the entry of an account. Entries of sections not among
    // `accounts` (deleted accounts) are dropped; an empty list keeps all.
    // False when the file could not be written.
    virtual bool Save(std::string_view account, const SeenUidls& entry,
                      const std::vector<std::string>& accounts) = 0;
};

// The entries by upper-case section name.
using SeenUidlEntries = std::map<std::string, SeenUidls>;

// The file's text. Reading leaves out every entry that is not whole and
// well-formed (and everything, when the text is not such a file at all).
SeenUidlEntries ParseSeenUidlText(std::string_view text);
std::string FormatSeenUidlText(const SeenUidlEntries& entries);

// The file for a settings file: its name with ".uidl" for the extension.
std::string SeenUidlPathFor(const std::string& settingsPath);

// The platform's file calls (the path as the settings path is given: the
// system code page on Windows).
enum class FileRead { kRead, kMissing, kFailed };
class WholeFileAccess {
  public:
    virtual ~WholeFileAccess() = default;
    // Reads a whole file of at most `limit` bytes (a larger one fails).
    virtual FileRead Read(const std::string& path, std::size_t limit, std::string& bytes) = 0;
    // Writes the bytes to a new file beside `path` and puts it in its place
    // in one step: a crash or a full disk leaves the old file whole.
    virtual bool Replace(const std::string& path, std::string_view bytes) = 0;
};
WholeFileAccess& PlatformFileAccess();

class SeenUidlFile final : public SeenUidlStore {
  public:
    SeenUidlFile(std::string path, WholeFileAccess& files)
        : path_(std::move(path)), files_(files) {}
    std::optional<SeenUidls> Load(std::string_view account) override;
    bool Save(std::string_view account, const SeenUidls& entry,
              const std::vector<std::string>& accounts) override;

  private:
    std::string path_;
    WholeFileAccess& files_;
};

}  // namespace pell
