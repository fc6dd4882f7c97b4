#include "settings/account_list.h"

#include "settings/settings_conventions.h"

namespace pell {

AccountEntry& AccountEntry::operator=(const AccountEntry& other) {
    if (this == &other)
        return *this;
    name = other.name;
    timerId = other.timerId.load();
    messageCount = other.messageCount.load();
    mailboxSize = other.mailboxSize.load();
    status = other.status.load();
    busy = other.busy.load();
    worker = other.worker.load();
    serverLacksUidl = other.serverLacksUidl.load();
    loginDelaySeconds = other.loginDelaySeconds.load();
    return *this;
}

int ReadAccountCount(SettingsStore& store) {
    int count = store.ReadInt(kPoplistSection, "Count", 0);
    if (count < 0)
        return 0;
    return count > kMaxAccounts ? kMaxAccounts : count;
}

std::string ListKey(int i) {
    return "List" + std::to_string(i);
}

std::shared_ptr<AccountList> LoadAccountList(SettingsStore& store) {
    auto list = std::make_shared<AccountList>();
    const int count = ReadAccountCount(store);
    list->reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        list->emplace_back(store.ReadText(kPoplistSection, ListKey(i), "", kSectionNameCapacity));
    }
    return list;
}

}  // namespace pell
