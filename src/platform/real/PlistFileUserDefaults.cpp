#include "platform/real/PlistFileUserDefaults.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "foundation/ControlCharacters.h"
#include "platform/PlistXml.h"
#include "platform/RegularFile.h"
#include "platform/real/PosixFileSystem.h"

namespace pelko::real {

using platform::PlistValue;

struct PlistFileUserDefaults::State {
  std::string folder;
  std::string path;
  // Where saves go: the path, or the file a link there names.
  std::string savePath;
  bool wasRead = false;
  PosixFileSystem files;

  // Guards the values and the bookkeeping of what the file holds; never held during disk I/O.
  mutable std::mutex mutex;
  PlistValue::Dictionary values;
  uint64_t generation = 0;
  bool flushScheduled = false;

  // One writer at a time, each taking its snapshot after the previous writer finished, so an older
  // snapshot can never replace a newer file.
  std::mutex writeMutex;
  uint64_t writtenGeneration = 0;
  bool lastWriteFailed = false;
  // False until the file was read, and while a file we could not move aside (or a link that leads to no
  // regular file) is still in the way: writing would destroy it.
  bool writable = false;
  std::atomic<int> writeCount{0};

  // The thread whose save holds writeMutex.
  std::atomic<std::thread::id> writer{};

  // `wayOut`: for a process that is ending, where the thread that failed may be the one holding the
  // store. A save on another thread is waited for (nothing leaves a save as an exception, so it ends,
  // and the newer snapshot then lands last); this thread's own save, which can never end, is not: the
  // file is then written without the write lock. False when the values cannot be had at once.
  enum class Waiting { always, wayOut };
  bool flush(bool scheduled, Waiting waiting = Waiting::always);
  // Tells a failed save once per run of failures; `owner` false for a save without the write lock,
  // which leaves that bookkeeping to the save that holds it.
  bool saveFailed(const std::string& why, const char* outcome, bool owner);
  // From here on saves go to the file: reading found it whole, or out of the way.
  void becomeWritable() {
    std::lock_guard writing(writeMutex);
    writable = true;
  }

  // The values are held only for moments, in memory: a few tries get them unless their holder stopped.
  static bool lockSoon(std::unique_lock<std::mutex>& lock) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      if (lock.try_lock()) return true;
      std::this_thread::yield();
    }
    return false;
  }
};

bool PlistFileUserDefaults::State::flush(bool scheduled, Waiting waiting) {
  const char* const retried = "the changes are kept and saving them will be retried";
  std::unique_lock writing(writeMutex, std::defer_lock);
  if (waiting == Waiting::always || writer.load() != std::this_thread::get_id()) writing.lock();
  // Without the write lock the file is written all the same, but what the file holds is the holder's
  // to record: neither read nor changed here.
  const bool owner = writing.owns_lock();
  if (owner) writer.store(std::this_thread::get_id());
  struct Release {
    std::atomic<std::thread::id>& writer;
    bool owner;
    ~Release() {
      if (owner) writer.store({});
    }
  } release{writer, owner};  // before the write lock goes
  // Nothing leaves a save as an exception: on a background thread it would end the program with the
  // write lock held.
  try {
    uint64_t snapshotGeneration;
    PlistValue::Dictionary snapshot;
    {
      std::unique_lock lock(mutex, std::defer_lock);
      if (waiting == Waiting::always) {
        lock.lock();
      } else if (!lockSoon(lock)) {
        return false;
      }
      if (scheduled) flushScheduled = false;
      snapshotGeneration = generation;
      if (owner && snapshotGeneration == writtenGeneration) return true;
      snapshot = values;
    }
    if (!writable) return false;
    const std::string text = platform::writePlistXml(snapshot);
    // A file the next start would refuse to read is worse than the last one it can.
    if (text.size() > platform::kRegularFileLimitBytes) {
      return saveFailed("the file would take " + std::to_string(text.size()) + " bytes, more than the " +
                            std::to_string(platform::kRegularFileLimitBytes) +
                            " a settings file is read up to",
                        "the last saved file is kept, and the changes are kept while Pelko runs", owner);
    }
    if (!files.createDirectories(folder) || !files.writeFileAtomically(savePath, text)) {
      return saveFailed(PosixFileSystem::lastError(), retried, owner);
    }
    if (!owner) return true;
    lastWriteFailed = false;
    writtenGeneration = snapshotGeneration;
    writeCount.fetch_add(1);
    return true;
  } catch (const std::exception& error) {
    return saveFailed(error.what(), retried, owner);
  } catch (...) {
    return saveFailed("an unknown error", retried, owner);
  }
}

bool PlistFileUserDefaults::State::saveFailed(const std::string& why, const char* outcome, bool owner) {
  if (!owner || !lastWriteFailed) {
    std::fprintf(stderr, "Pelko: could not save the settings to %s (%s); %s.\n",
                 withControlCharactersHidden(savePath).c_str(), withControlCharactersHidden(why).c_str(),
                 outcome);
  }
  if (owner) lastWriteFailed = true;
  return false;
}

namespace {

std::string utcStamp(double secondsSinceEpoch) {
  const auto seconds = static_cast<std::time_t>(std::isfinite(secondsSinceEpoch) ? secondsSinceEpoch : 0);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char buffer[32];
  if (std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &parts) == 0) return "unknown";
  return buffer;
}

bool pathIsFree(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

// What is printed of a path or of a file's text stays on one line and tells a terminal nothing.
std::string shown(const std::string& text) {
  return withControlCharactersHidden(text);
}

void say(const std::string& message) {
  std::fputs(("Pelko: " + message + "\n").c_str(), stderr);
}

// The file a link names, followed to its end; nothing, with the system's reason, when it leads to no
// regular file.
std::optional<std::string> linkTarget(const std::string& link, std::string& why) {
  char* resolved = ::realpath(link.c_str(), nullptr);
  if (!resolved) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  std::string target = resolved;
  std::free(resolved);
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  // A device or a folder elsewhere is never moved aside nor replaced on the user's behalf.
  if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
    return std::nullopt;
  }
  return target;
}

}  // namespace

PlistFileUserDefaults::PlistFileUserDefaults(Scheduler& scheduler, const std::string& folder,
                                             const std::string& domain, const EntryCheck& check)
    : scheduler_(scheduler),
      check_(check),
      state_(std::make_shared<State>()),
      queue_(scheduler.makeSerialQueue("com.pelko.defaults-writer")) {
  if (domain.empty() || domain == "." || domain == ".." || domain.find('/') != std::string::npos) {
    throw std::invalid_argument("not a user-defaults domain name: \"" + domain + "\"");
  }
  state_->folder = folder;
  state_->path = folder + "/" + domain + ".plist";
  state_->savePath = state_->path;
}

PlistFileUserDefaults::~PlistFileUserDefaults() {
  state_->flush(false);
}

PlistFileUserDefaults::Reading PlistFileUserDefaults::read(Repair repair) {
  using Found = Reading::Found;
  State& s = *state_;
  Reading reading;
  if (std::exchange(s.wasRead, true)) return reading;

  struct stat st;
  if (::lstat(s.path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    std::string why;
    std::optional<std::string> target = linkTarget(s.path, why);
    if (!target) {
      reading.found = Found::unfollowableLink;
      reading.cause = why;
      if (repair == Repair::keepAside) {
        say("the settings file " + shown(s.path) + " is a link, and what it names could not be read (" +
            shown(why) +
            "); the link is left as it is, the settings start from their defaults, and changes are not "
            "saved while Pelko runs.");
      }
      return reading;
    }
    s.savePath = *target;
  }

  // No file yet: the first save makes it (and says so if it cannot).
  if (!s.files.fileExists(s.savePath)) {
    s.becomeWritable();
    return reading;
  }
  // Read directly rather than through the file system's readFile, whose error names the file again: the
  // cause alone is what the alert tells.
  const platform::RegularFileRead file = platform::readRegularFile(s.savePath);
  if (!file.ok()) {
    reading.found = Found::unreadable;
    reading.cause = file.error;
    if (repair == Repair::leaveAlone) return reading;
    return keepAside(std::move(reading), {});
  }

  std::string damage;  // what is wrong inside the file; empty when it is whole
  auto recovery = platform::recoverPlistDictionary(file.contents, &damage);
  if (recovery && check_) {
    for (auto entry = recovery->values.begin(); entry != recovery->values.end();) {
      if (auto why = check_(entry->first, entry->second)) {
        recovery->droppedEntries.push_back({entry->first, std::move(*why)});
        entry = recovery->values.erase(entry);
      } else {
        ++entry;
      }
    }
  }
  if (recovery) {
    {
      std::lock_guard lock(s.mutex);
      s.values = std::move(recovery->values);
    }
    if (!recovery->lostAnything()) {
      s.becomeWritable();
      return reading;
    }
    damage = recovery->damage;
  }
  reading.found = Found::damaged;
  if (repair == Repair::leaveAlone) return reading;
  if (recovery) {
    for (const auto& [key, why] : recovery->droppedEntries) {
      say("the setting \"" + shown(key) + "\" in " + shown(s.savePath) + " could not be read (" + shown(why) +
          "); it was left out.");
    }
    if (!storedDictionary().empty() && !damage.empty()) {
      say("the settings file " + shown(s.savePath) + " is damaged (" + shown(damage) +
          "); the settings before it were kept.");
      damage.clear();  // said
    }
  }
  return keepAside(std::move(reading), damage);
}

// Damaged settings are never thrown away: the file is moved aside for the user to repair, and what could
// be read of it is written back at once, so it survives a run that changes nothing. A file that cannot be
// moved stays as it is, and nothing is saved over it.
PlistFileUserDefaults::Reading PlistFileUserDefaults::keepAside(Reading reading, const std::string& damage) {
  State& s = *state_;
  const std::string base = s.savePath + ".corrupt-" + utcStamp(scheduler_.wallClockNow());
  std::string aside = base;
  for (int n = 2; !pathIsFree(aside) && n < 10'000; ++n) aside = base + "-" + std::to_string(n);
  int error = EEXIST;
  if (pathIsFree(aside)) error = ::rename(s.savePath.c_str(), aside.c_str()) == 0 ? 0 : errno;

  const bool readAnything = !storedDictionary().empty();
  const std::string file = "the settings file " + shown(s.savePath);
  const std::string what = reading.found == Reading::Found::damaged
                               ? file + " is damaged" + (damage.empty() ? "" : " (" + shown(damage) + ")")
                               : file + " could not be read (" + shown(reading.cause) + ")";
  const std::string settings =
      readAnything ? "the settings read from it are used" : "the settings start from their defaults";
  if (error != 0) {
    reading.notKeptAsideBecause = std::strerror(error);
    say(what + " and could not be moved aside (" + reading.notKeptAsideBecause + "); it is left as it is, " +
        settings + ", and changes are not saved while Pelko runs.");
    return reading;
  }
  reading.keptAs = aside;
  s.becomeWritable();
  say(what + "; it was kept as " + shown(aside) + " and " + settings + ".");
  if (readAnything) {
    {
      std::lock_guard lock(s.mutex);
      ++s.generation;
    }
    s.flush(false);
  }
  return reading;
}

std::string PlistFileUserDefaults::defaultFolder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::string(xdg) + "/pelko";
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir) {
      home = found->pw_dir;
    }
  }
  return home + "/.config/pelko";
}

const std::string& PlistFileUserDefaults::path() const {
  return state_->path;
}

bool PlistFileUserDefaults::synchronize() {
  return state_->flush(false);
}

bool PlistFileUserDefaults::synchronizeOnTheWayOut() {
  return state_->flush(false, State::Waiting::wayOut);
}

bool PlistFileUserDefaults::setObjectOnTheWayOut(const std::string& key, PlistValue value) {
  std::unique_lock lock(state_->mutex, std::defer_lock);
  if (!State::lockSoon(lock)) return false;
  state_->values.insert_or_assign(key, std::move(value));
  ++state_->generation;
  return true;
}

std::optional<PlistValue> PlistFileUserDefaults::storedObject(const std::string& key) const {
  std::lock_guard lock(state_->mutex);
  auto it = state_->values.find(key);
  if (it == state_->values.end()) return std::nullopt;
  return it->second;
}

PlistValue::Dictionary PlistFileUserDefaults::storedDictionary() const {
  std::lock_guard lock(state_->mutex);
  return state_->values;
}

std::unique_lock<std::mutex> PlistFileUserDefaults::holdWriter() {
  return std::unique_lock(state_->writeMutex);
}

std::unique_lock<std::mutex> PlistFileUserDefaults::holdValues() {
  return std::unique_lock(state_->mutex);
}

int PlistFileUserDefaults::fileWriteCount() const {
  return state_->writeCount.load();
}

void PlistFileUserDefaults::store(const std::string& key, PlistValue value) {
  {
    std::lock_guard lock(state_->mutex);
    auto it = state_->values.find(key);
    if (it == state_->values.end()) {
      state_->values.emplace(key, std::move(value));
    } else {
      if (it->second == value) return;  // nothing for the file to learn
      it->second = std::move(value);
    }
    ++state_->generation;
    if (std::exchange(state_->flushScheduled, true)) return;
  }
  scheduleFlush();
}

void PlistFileUserDefaults::erase(const std::string& key) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->values.erase(key) == 0) return;
    ++state_->generation;
    if (std::exchange(state_->flushScheduled, true)) return;
  }
  scheduleFlush();
}

// The delay runs from the first unsaved change, not the latest, so a steady stream of changes still
// reaches the file every kFlushDelay seconds.
void PlistFileUserDefaults::scheduleFlush() {
  queue_->asyncAfter(kFlushDelay, [weak = std::weak_ptr<State>(state_)] {
    if (auto state = weak.lock()) state->flush(true);
  });
}

}  // namespace pelko::real
