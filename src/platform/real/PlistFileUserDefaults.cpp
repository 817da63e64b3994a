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

#include "platform/PlistXml.h"
#include "platform/RegularFile.h"
#include "platform/real/PosixFileSystem.h"

namespace pelko::real {

using platform::PlistValue;

struct PlistFileUserDefaults::State {
  std::string folder;
  std::string path;
  std::string keptAside;
  std::string unreadableBecause;
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
  // False while an unreadable file we could not move aside is still in the way: writing would destroy it.
  bool writable = true;
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
    if (!files.createDirectories(folder) || !files.writeFileAtomically(path, text)) {
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
    std::fprintf(stderr, "Pelko: could not save the settings to %s (%s); %s.\n", path.c_str(), why.c_str(),
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

}  // namespace

PlistFileUserDefaults::PlistFileUserDefaults(Scheduler& scheduler, const std::string& folder,
                                             const std::string& domain, const EntryCheck& check)
    : state_(std::make_shared<State>()), queue_(scheduler.makeSerialQueue("com.pelko.defaults-writer")) {
  if (domain.empty() || domain == "." || domain == ".." || domain.find('/') != std::string::npos) {
    throw std::invalid_argument("not a user-defaults domain name: \"" + domain + "\"");
  }
  state_->folder = folder;
  state_->path = folder + "/" + domain + ".plist";
  load(scheduler, check);
}

PlistFileUserDefaults::~PlistFileUserDefaults() {
  state_->flush(false);
}

void PlistFileUserDefaults::load(Scheduler& scheduler, const EntryCheck& check) {
  State& s = *state_;
  if (!s.files.fileExists(s.path)) return;

  std::string problem;  // why nothing at all could be read; empty when something could
  // Read directly rather than through the file system's readFile, whose error names the file again: the
  // cause alone is what the alert tells.
  if (platform::RegularFileRead read = platform::readRegularFile(s.path); read.ok()) {
    auto recovery = platform::recoverPlistDictionary(read.contents, &problem);
    if (recovery && check) {
      for (auto entry = recovery->values.begin(); entry != recovery->values.end();) {
        if (auto why = check(entry->first, entry->second)) {
          recovery->droppedEntries.push_back({entry->first, std::move(*why)});
          entry = recovery->values.erase(entry);
        } else {
          ++entry;
        }
      }
    }
    if (recovery) {
      s.values = std::move(recovery->values);
      if (!recovery->lostAnything()) return;
      for (const auto& [key, why] : recovery->droppedEntries) {
        std::fprintf(stderr, "Pelko: the setting \"%s\" in %s could not be read (%s); it was left out.\n",
                     key.c_str(), s.path.c_str(), why.c_str());
      }
      if (s.values.empty() && recovery->droppedEntries.empty()) {
        problem = recovery->damage;
      } else if (!recovery->damage.empty()) {
        std::fprintf(stderr,
                     "Pelko: the settings file %s is damaged (%s); the settings before it were kept.\n",
                     s.path.c_str(), recovery->damage.c_str());
      }
    }
  } else {
    problem = read.error;
    s.unreadableBecause = problem;
  }

  // Damaged settings are never thrown away: the file is moved aside for the user to repair, and what
  // could be read of it is written back at once, so it survives a run that changes nothing.
  const std::string base = s.path + ".corrupt-" + utcStamp(scheduler.wallClockNow());
  std::string aside = base;
  for (int n = 2; !pathIsFree(aside) && n < 10'000; ++n) aside = base + "-" + std::to_string(n);
  int error = EEXIST;
  if (pathIsFree(aside)) error = ::rename(s.path.c_str(), aside.c_str()) == 0 ? 0 : errno;
  if (error == 0) {
    s.keptAside = aside;
    if (problem.empty()) {
      std::fprintf(
          stderr, "Pelko: the damaged settings file %s was kept as %s; the settings read from it are kept.\n",
          s.path.c_str(), aside.c_str());
      ++s.generation;
      s.flush(false);
    } else {
      std::fprintf(stderr,
                   "Pelko: the settings file %s could not be read (%s); it was kept as %s and the settings "
                   "start from their defaults.\n",
                   s.path.c_str(), problem.c_str(), aside.c_str());
    }
    return;
  }
  s.writable = false;
  if (problem.empty()) problem = "it is damaged";
  std::fprintf(
      stderr,
      "Pelko: the settings file %s could not be read (%s) nor moved aside (%s); it is left untouched, "
      "the settings %s and changes are not saved while Pelko runs.\n",
      s.path.c_str(), problem.c_str(), std::strerror(error),
      s.values.empty() ? "start from their defaults" : "read from it are used");
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

const std::string& PlistFileUserDefaults::keptAsidePath() const {
  return state_->keptAside;
}

const std::string& PlistFileUserDefaults::unreadableBecause() const {
  return state_->unreadableBecause;
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
