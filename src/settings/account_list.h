#pragma once
// The in-memory account list: one entry per account in directory order, shared
// by the main window (owner) and the worker (writes the runtime fields of the
// account it checks). Runtime fields are atomics so that the two threads can
// read and write them without a lock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace pell {

// Section names are read into 20-byte buffers: at most 19 characters.
inline constexpr std::size_t kSectionNameCapacity = 20;
// The settings dialog accepts at most 9989 accounts, which keeps check timer ids
// (10 + index) below the watchdog ids (10000 + index). A damaged Count beyond
// that is read as this many.
inline constexpr int kMaxAccounts = 9989;
// Status of an account that has not been checked since loading.
inline constexpr int kStatusUnchecked = -1;

struct AccountEntry {
    AccountEntry() = default;
    explicit AccountEntry(std::string section) : name(std::move(section)) {}
    AccountEntry(const AccountEntry& other) { *this = other; }
    AccountEntry& operator=(const AccountEntry& other);

    std::string name;  // the account's section name (POP1, POP2, ...)
    std::atomic<std::uint32_t> timerId{0};
    std::atomic<int> messageCount{0};
    std::atomic<int> mailboxSize{0};
    std::atomic<int> status{kStatusUnchecked};
    std::atomic<bool> busy{false};
    // The check run working on this account (0 = none); see the check scheduler.
    std::atomic<std::uint64_t> worker{0};
    // What the last check learned of the server, kept for the run: it has no
    // UIDL, and the LOGIN-DELAY it asks for (seconds between logins).
    std::atomic<bool> serverLacksUidl{false};
    std::atomic<int> loginDelaySeconds{0};
};

using AccountList = std::vector<AccountEntry>;

// Number of accounts in the directory: Count of Poplist, 0 when missing or
// negative, at most kMaxAccounts.
int ReadAccountCount(SettingsStore& store);

// The key name List(i) of the directory.
std::string ListKey(int i);

// Builds the list from the directory: List1 .. List(Count), each cut to 19
// characters, runtime fields cleared and status -1.
std::shared_ptr<AccountList> LoadAccountList(SettingsStore& store);

}  // namespace pell

namespace pell {

// Releases the caller's hold on a list (the worker may still hold its own).
inline void FreeAccountList(std::shared_ptr<AccountList>& list) {
    list.reset();
}

}  // namespace pell
