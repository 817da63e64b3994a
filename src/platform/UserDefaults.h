#pragma once

#include <optional>
#include <string>

#include "platform/PropertyList.h"

namespace pelko::platform {

// One user-defaults domain: stored values over a volatile layer of registered defaults. Reads see the
// stored value, else the registered one. Values of any property-list kind can be stored under any key,
// so the typed readers must cope with whatever a hand-edited file holds. Main thread only.
class UserDefaults {
 public:
  virtual ~UserDefaults() = default;

  // Registered values are never persisted; registering again merges, the newer value winning.
  void registerDefaults(const PlistValue::Dictionary& defaults);

  // The stored value, else the registered one.
  std::optional<PlistValue> objectForKey(const std::string& key) const;
  // A string, or a number's text form; nothing for other kinds.
  std::optional<std::string> stringForKey(const std::string& key) const;
  std::optional<PlistData> dataForKey(const std::string& key) const;
  std::optional<PlistValue::Array> arrayForKey(const std::string& key) const;
  // Numbers (non-zero is true) and the strings "YES"/"true"/"1" count; anything else is false.
  bool boolForKey(const std::string& key) const;
  // Numbers, and strings that read wholly as a number; anything else is 0.
  double doubleForKey(const std::string& key) const;

  void setObject(const std::string& key, PlistValue value) { store(key, std::move(value)); }
  void setBool(const std::string& key, bool value) { store(key, PlistValue(value)); }
  void setDouble(const std::string& key, double value) { store(key, PlistValue(value)); }
  void removeObject(const std::string& key) { erase(key); }

  // Writes pending changes to permanent storage; false when that failed.
  virtual bool synchronize() = 0;
  // For the way out of a process that is ending, where the thread that failed may be the one holding the
  // store: as setObject() and synchronize(), but never waiting for this thread's own hold, which can
  // never end, nor for values another thread keeps held; false then. A save in hand on another thread,
  // which always ends, is waited for, so that the newer values land last. The value set is written by
  // the synchronize that follows.
  virtual bool setObjectOnTheWayOut(const std::string& key, PlistValue value);
  virtual bool synchronizeOnTheWayOut();
  // Only the stored value, without the registered layer.
  virtual std::optional<PlistValue> storedObject(const std::string& key) const = 0;
  // Every stored value.
  virtual PlistValue::Dictionary storedDictionary() const = 0;

 protected:
  virtual void store(const std::string& key, PlistValue value) = 0;
  virtual void erase(const std::string& key) = 0;

 private:
  PlistValue::Dictionary registered_;
};

}  // namespace pelko::platform
