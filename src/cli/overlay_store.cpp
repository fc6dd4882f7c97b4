#include "cli/overlay_store.h"

#include "startup/text_search.h"

namespace pell {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower;
}

}  // namespace

std::string OverlayStore::Name(std::string_view section, std::string_view key) {
    return Lower(section) + "\n" + Lower(key);
}

std::string OverlayStore::ReadText(std::string_view section, std::string_view key,
                                   std::string_view fallback, std::size_t capacity) {
    auto written = writes_.find(Name(section, key));
    std::string value;
    if (written != writes_.end()) {
        value = written->second ? *written->second : std::string(fallback);
    } else if (deletedSections_.count(Lower(section))) {
        value = std::string(fallback);
    } else {
        return base_.ReadText(section, key, fallback, capacity);
    }
    if (capacity == 0)
        return {};
    if (value.size() > capacity - 1)
        value.resize(capacity - 1);
    return value;
}

int OverlayStore::ReadInt(std::string_view section, std::string_view key, int fallback) {
    auto written = writes_.find(Name(section, key));
    if (written == writes_.end() && !deletedSections_.count(Lower(section)))
        return base_.ReadInt(section, key, fallback);
    if (written == writes_.end() || !written->second || written->second->empty())
        return fallback;
    return ParseProfileInt(*written->second);
}

bool OverlayStore::WriteText(std::string_view section, std::string_view key,
                             std::optional<std::string_view> value) {
    writes_[Name(section, key)] =
        value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
    return true;
}

bool OverlayStore::DeleteSection(std::string_view section) {
    std::string prefix = Lower(section) + "\n";
    for (auto it = writes_.begin(); it != writes_.end();) {
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? writes_.erase(it) : std::next(it);
    }
    deletedSections_[Lower(section)] = true;
    return true;
}

}  // namespace pell
