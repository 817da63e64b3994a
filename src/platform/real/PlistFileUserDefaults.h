#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/Scheduler.h"
#include "platform/SettingsFileReading.h"
#include "platform/UserDefaults.h"

namespace pelko::real {

// A user-defaults domain kept in one XML property-list file, `<folder>/<domain>.plist`.
//
// Nothing is read or written until read(), which the one running copy calls once it holds the
// single-instance lock: a copy that does not run touches no file. The file is read entry by entry: a
// value that cannot be represented costs only its key, and a file cut short or broken further on keeps
// every complete entry before the damage. A file that lost anything that way, or cannot be read at all,
// is moved aside (to `<file>.corrupt-<UTC time>`, never over an earlier one) with a message on stderr
// naming what was lost, and what could be read is written back in its place at once. A value its reader
// will not be able to use (a check the owner of the domain gives) is left out the same way, so that
// every kind of damage is told alike and once. A file that could not be moved aside is left as it is and
// never saved over. A settings file that is a link is read through and saved where it points (written
// beside that file and renamed there), so the link stays; a link that leads to no regular file is left
// as it is, never saved over, and the settings start from their defaults. Every path and every text from
// the file that is printed goes through the one reader of control characters. Changes are written
// atomically on a background serial queue, coalesced: the file is rewritten at most kFlushDelay seconds
// after the first change it does not hold yet, however long a stream of changes goes on. synchronize()
// and destruction write synchronously. Apart from those, the main thread never waits for the disk. A
// save never writes a file larger than the reader takes (platform/RegularFile.h): the last saved file
// stays, and stderr says so.
class PlistFileUserDefaults final : public platform::UserDefaults {
 public:
  static constexpr double kFlushDelay = 0.5;

  // Why the value read under a key cannot be used by the program; nothing when it can.
  using EntryCheck =
      std::function<std::optional<std::string>(const std::string& key, const platform::PlistValue& value)>;

  PlistFileUserDefaults(Scheduler& scheduler, const std::string& folder, const std::string& domain,
                        const EntryCheck& check = {});
  ~PlistFileUserDefaults() override;

  PlistFileUserDefaults(const PlistFileUserDefaults&) = delete;
  PlistFileUserDefaults& operator=(const PlistFileUserDefaults&) = delete;

  // `$XDG_CONFIG_HOME/pelko`, or `$HOME/.config/pelko` when that is unset (or not an absolute path).
  static std::string defaultFolder();

  // What read() found in the file.
  using Reading = platform::SettingsFileReading;
  // How a file found damaged or unreadable is dealt with.
  enum class Repair {
    // Moved aside, told on stderr, and what could be read is written back (the running copy).
    keepAside,
    // Left as it is, untold and never saved over (a run that does not hold the single-instance lock).
    leaveAlone,
  };

  // Reads the file; only the first call does anything. Until then the store holds nothing of the file
  // and saves nothing.
  Reading read(Repair repair = Repair::keepAside);

  // The settings file's path, a link included.
  const std::string& path() const;

  bool synchronize() override;
  bool setObjectOnTheWayOut(const std::string& key, platform::PlistValue value) override;
  bool synchronizeOnTheWayOut() override;
  std::optional<platform::PlistValue> storedObject(const std::string& key) const override;
  platform::PlistValue::Dictionary storedDictionary() const override;

  // How many times the file has been rewritten, for tests of coalescing.
  int fileWriteCount() const;

 protected:
  void store(const std::string& key, platform::PlistValue value) override;
  void erase(const std::string& key) override;

 private:
  friend struct PlistFileUserDefaultsTestAccess;
  struct State;
  Reading keepAside(Reading reading, const std::string& damage);
  // The store held as a save in progress holds it (the writer) or a change does (the values).
  std::unique_lock<std::mutex> holdWriter();
  std::unique_lock<std::mutex> holdValues();
  void scheduleFlush();

  Scheduler& scheduler_;
  EntryCheck check_;
  std::shared_ptr<State> state_;
  std::shared_ptr<TaskQueue> queue_;
};

}  // namespace pelko::real
