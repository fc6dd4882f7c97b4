#pragma once
// A settings store that forwards every call and remembers whether a write
// failed (a read-only file, a full disk), so that a dialog can tell the user
// that the changes did not reach the file.
#include "settings/forwarding_store.h"

namespace pell {

class WriteWatchStore final : public ForwardingStore {
  public:
    using ForwardingStore::ForwardingStore;

    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        return Note(ForwardingStore::WriteText(section, key, value));
    }
    bool DeleteSection(std::string_view section) override {
        return Note(ForwardingStore::DeleteSection(section));
    }

    bool failed() const { return failed_; }

  private:
    bool Note(bool ok) {
        failed_ = failed_ || !ok;
        return ok;
    }

    bool failed_ = false;
};

}  // namespace pell
