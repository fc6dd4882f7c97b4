#pragma once
// One check of an IMAP account, the sibling of RunPopSession with the same
// input, output and hooks: open the folder read-only (EXAMINE), count the
// messages not yet read whose UID is at or above the UIDNEXT stored at the
// last successful check (all of them at a first check, or when UIDVALIDITY
// changed), fetch the heads and first lines of the newest of them with
// BODY.PEEK, and LOGOUT. The mailbox is never changed: no STORE, no EXPUNGE,
// and nothing is marked as read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mail/pop_session.h"

namespace pell {

void RunImapSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                    const PopSessionHooks& hooks);

// How many UIDs were found, and the newest few of them: a search result of
// any size held small.
class NewestUids {
  public:
    explicit NewestUids(std::size_t keep) : keep_(keep) {}
    // UID 0 is no UID and is passed over.
    void Add(std::uint32_t uid);
    std::size_t count() const { return count_; }
    // The newest `most`, newest first.
    std::vector<std::uint32_t> Newest(std::size_t most) const;

  private:
    std::size_t keep_;
    std::size_t count_ = 0;
    std::vector<std::uint32_t> kept_;  // a min-heap of the newest
};

// The data items of the FETCH for summaries.
std::string ImapFetchItems(bool readAll, int getLines);

}  // namespace pell
