#include "settings/account_directory.h"

#include <climits>

#include "settings/account_list.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

constexpr std::size_t kDisplayNameCapacity = 256;

std::string ReadDisplayName(SettingsStore& store, std::string_view section) {
    return store.ReadText(section, "Popname", "", kDisplayNameCapacity);
}

}  // namespace

std::optional<std::string> FindAccountSection(SettingsStore& store, std::string_view displayName) {
    const int count = ReadAccountCount(store);
    for (int i = 1; i <= count; ++i) {
        std::string section = store.ReadText(kPoplistSection, ListKey(i), "", kSectionNameCapacity);
        if (ReadDisplayName(store, section) == displayName)
            return section;
    }
    return std::nullopt;
}

std::string CreateAccountSection(SettingsStore& store, std::string_view displayName) {
    const int count = ReadAccountCount(store);
    const int newCount = count + 1;
    int highest = 0;
    std::optional<int> reuse;
    // The scan runs past Count to the first empty List key. Within Count it
    // steps over empty keys, so that a gap cannot hide a number in use and let
    // the new account take over a listed account's section. It is bounded so
    // that a damaged file cannot keep it going forever.
    for (int i = 1; i <= kMaxAccounts + 1; ++i) {
        std::string section = store.ReadText(kPoplistSection, ListKey(i), "", 10);
        if (section.empty()) {
            if (i > count)
                break;
            continue;
        }
        const int number =
            section.size() > 3 ? ParseDecimal(std::string_view(section).substr(3)) : 0;
        if (ReadDisplayName(store, section) == displayName) {
            reuse = number;
            break;
        }
        if (number > highest)
            highest = number;
    }
    const int chosen = reuse ? *reuse : (highest < INT_MAX ? highest + 1 : highest);
    std::string section = "POP" + std::to_string(chosen);
    store.Write(kPoplistSection, ListKey(newCount), section);
    store.Write(kPoplistSection, "Count", std::to_string(newCount));
    return section;
}

void RemoveAccount(SettingsStore& store, std::string_view displayName) {
    int count = ReadAccountCount(store);
    for (int i = 1; i <= count; ++i) {
        std::string section = store.ReadText(kPoplistSection, ListKey(i), "", 256);
        if (ReadDisplayName(store, section) != displayName)
            continue;
        if (!section.empty())
            store.DeleteSection(section);
        std::string last = store.ReadText(kPoplistSection, ListKey(count), "", 256);
        store.Write(kPoplistSection, ListKey(i), last);
        store.DeleteKey(kPoplistSection, ListKey(count));
        --count;
        store.Write(kPoplistSection, "Count", std::to_string(count));
    }
}

}  // namespace pell
