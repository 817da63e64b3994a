#pragma once

#include "platform/UserDefaults.h"

namespace pelko::sim {

// A user-defaults domain held in memory only; tests plant any value of any kind under any key.
class InMemoryUserDefaults final : public platform::UserDefaults {
 public:
  bool synchronize() override {
    ++synchronizeCount_;
    return true;
  }
  std::optional<platform::PlistValue> storedObject(const std::string& key) const override {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  platform::PlistValue::Dictionary storedDictionary() const override { return values_; }

  // How many writes (sets and removals) reached the store, for tests of what a step persists.
  int writeCount() const { return writeCount_; }
  int synchronizeCount() const { return synchronizeCount_; }

 protected:
  void store(const std::string& key, platform::PlistValue value) override {
    ++writeCount_;
    values_[key] = std::move(value);
  }
  void erase(const std::string& key) override {
    ++writeCount_;
    values_.erase(key);
  }

 private:
  platform::PlistValue::Dictionary values_;
  int writeCount_ = 0;
  int synchronizeCount_ = 0;
};

}  // namespace pelko::sim
