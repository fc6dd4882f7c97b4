#pragma once
// The settings file as one check run sees it: reads go through; writes go
// through until the main window stops the run's writes, and are dropped from
// then on, so that a run ended for the settings dialog cannot bring back the
// section of an account deleted there.
#include <memory>

#include "mail/check_run.h"
#include "settings/settings_store.h"

namespace pell {

class RunSettingsStore final : public SettingsStore {
  public:
    RunSettingsStore(SettingsStore& inner, std::shared_ptr<CheckRun> run)
        : inner_(inner), run_(std::move(run)) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override {
        return inner_.ReadText(section, key, fallback, capacity);
    }
    int ReadInt(std::string_view section, std::string_view key, int fallback) override {
        return inner_.ReadInt(section, key, fallback);
    }
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        if (!run_)
            return inner_.WriteText(section, key, value);
        return run_->GuardedWrite([&] { return inner_.WriteText(section, key, value); });
    }
    bool DeleteSection(std::string_view section) override {
        if (!run_)
            return inner_.DeleteSection(section);
        return run_->GuardedWrite([&] { return inner_.DeleteSection(section); });
    }

  private:
    SettingsStore& inner_;
    std::shared_ptr<CheckRun> run_;
};

}  // namespace pell
