#pragma once
// The settings file as one check run sees it: reads go through; writes go
// through until the main window stops the run's writes, and are dropped from
// then on, so that a run ended for the settings dialog cannot bring back the
// section of an account deleted there.
#include <memory>

#include "mail/check_run.h"
#include "settings/forwarding_store.h"

namespace pell {

class RunSettingsStore final : public ForwardingStore {
  public:
    RunSettingsStore(SettingsStore& inner, std::shared_ptr<CheckRun> run)
        : ForwardingStore(inner), run_(std::move(run)) {}

    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        return Guarded([&] { return ForwardingStore::WriteText(section, key, value); });
    }
    bool DeleteSection(std::string_view section) override {
        return Guarded([&] { return ForwardingStore::DeleteSection(section); });
    }

  private:
    template <class Write>
    bool Guarded(Write&& write) {
        return run_ ? run_->GuardedWrite(write) : write();
    }

    std::shared_ptr<CheckRun> run_;
};

}  // namespace pell
