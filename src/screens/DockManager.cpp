#include "screens/DockManager.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "foundation/DebugLog.h"
#include "platform/PlistXml.h"
#include "screens/DockPreferences.h"

namespace pelko {

namespace {

using platform::PlistValue;

constexpr const char* kAutoHide = "autohide";
constexpr const char* kAutoHideDelay = "autohide-delay";
constexpr const char* kAutoHideTimeModifier = "autohide-time-modifier";
constexpr const char* kMinEffect = "mineffect";
constexpr const char* kOrientation = "orientation";
constexpr const char* kFactoryMinEffect = "genie";
constexpr double kHiddenDelayThreshold = 999999.0;
// The text `defaults` prints for the delay a hide writes: the start-up recovery acts only on it.
constexpr const char* kHiddenDelayText = "1000000";

struct PreferenceSetting {
  const char* key;
  const char* typeArgument;
  const char* value;
};

// The hidden configuration. "autohide-delay" goes first: as long as it holds the hide's value, a
// recovery after a crash knows the Dock still carries (part of) a hide.
constexpr PreferenceSetting kHiddenConfiguration[] = {
    {kAutoHideDelay, "-float", "1000000"},
    {kAutoHide, "-bool", "true"},
    {kAutoHideTimeModifier, "-float", "0.0001"},
    {kMinEffect, "-string", "scale"},
};

// One lock for every sequence that changes the Dock in this process, whichever manager runs it.
std::mutex& dockChangeMutex() {
  static std::mutex mutex;
  return mutex;
}

// Raised by every restore; a hide started before stops at its next step.
std::atomic<uint64_t>& restoreGeneration() {
  static std::atomic<uint64_t> generation{0};
  return generation;
}

DockPreferences preferencesFor(const DockManager::Services& services) {
  return DockPreferences(services.childProcess, services.defaultsPath, services.killallPath,
                         services.commandTimeoutSeconds);
}

bool isHiddenDelay(const DockPreferences::Read& delay) {
  if (!delay.hasValue()) return false;
  auto number = parseWholeDouble(delay.text);
  return number && *number >= kHiddenDelayThreshold;
}

// The Dock's configuration before a hide, as the recovery keys hold it.
struct RecoveryRecord {
  bool autoHide = false;
  std::string minEffect = kFactoryMinEffect;
  std::optional<std::string> autoHideDelay;
  std::optional<std::string> autoHideTimeModifier;
  std::set<std::string> absentKeys;
  bool restoreInProgress = false;

  static RecoveryRecord factory() {
    RecoveryRecord record;
    record.absentKeys = {kAutoHide, kAutoHideDelay, kAutoHideTimeModifier, kMinEffect};
    return record;
  }

  // The record as the user defaults hold it, read leniently: a value of the wrong kind gives that
  // field's factory value. Only the last resort, when neither the keys nor the copy read strictly.
  static RecoveryRecord load(const platform::UserDefaults& defaults) {
    RecoveryRecord record;
    record.autoHide = defaults.boolForKey(DockManager::kPreviousAutoHideKey);
    record.minEffect = defaults.stringForKey(DockManager::kPreviousMinEffectKey).value_or(kFactoryMinEffect);
    record.autoHideDelay = defaults.stringForKey(DockManager::kPreviousAutoHideDelayKey);
    record.autoHideTimeModifier = defaults.stringForKey(DockManager::kPreviousAutoHideTimeModifierKey);
    if (auto absent = defaults.arrayForKey(DockManager::kPreviousAbsentKeysKey)) {
      for (const auto& item : *absent) {
        if (auto key = item.asString()) record.absentKeys.insert(*key);
      }
    }
    record.restoreInProgress = defaults.boolForKey(DockManager::kRestoreInProgressKey);
    return record;
  }

  // The record exactly as a hide stores it, every value of the kind written; nothing when a record is
  // missing or any of its values is missing or of another kind.
  static std::optional<RecoveryRecord> read(const std::function<const PlistValue*(const char*)>& lookup) {
    const PlistValue* needed = lookup(DockManager::kRecoveryNeededKey);
    if (!needed || !needed->asBool() || !*needed->asBool()) return std::nullopt;
    RecoveryRecord record;
    const PlistValue* autoHide = lookup(DockManager::kPreviousAutoHideKey);
    const PlistValue* minEffect = lookup(DockManager::kPreviousMinEffectKey);
    if (!autoHide || !autoHide->asBool() || !minEffect || !minEffect->asString()) return std::nullopt;
    record.autoHide = *autoHide->asBool();
    record.minEffect = *minEffect->asString();
    const auto optionalText = [&](const char* key, std::optional<std::string>& out) {
      const PlistValue* value = lookup(key);
      if (!value) return true;
      if (!value->asString()) return false;
      out = *value->asString();
      return true;
    };
    if (!optionalText(DockManager::kPreviousAutoHideDelayKey, record.autoHideDelay) ||
        !optionalText(DockManager::kPreviousAutoHideTimeModifierKey, record.autoHideTimeModifier)) {
      return std::nullopt;
    }
    if (const PlistValue* absent = lookup(DockManager::kPreviousAbsentKeysKey)) {
      if (!absent->asArray()) return std::nullopt;
      for (const auto& item : *absent->asArray()) {
        if (!item.asString()) return std::nullopt;
        record.absentKeys.insert(*item.asString());
      }
    }
    if (const PlistValue* inProgress = lookup(DockManager::kRestoreInProgressKey)) {
      if (!inProgress->asBool()) return std::nullopt;
      record.restoreInProgress = *inProgress->asBool();
    }
    return record;
  }

  static std::optional<RecoveryRecord> read(const platform::UserDefaults& defaults) {
    std::map<std::string, PlistValue> values;
    return read([&](const char* key) -> const PlistValue* {
      auto stored = defaults.storedObject(key);
      if (!stored) return nullptr;
      return &(values[key] = std::move(*stored));
    });
  }

  static std::optional<RecoveryRecord> read(const PlistValue::Dictionary& values) {
    return read([&](const char* key) -> const PlistValue* {
      auto found = values.find(key);
      return found == values.end() ? nullptr : &found->second;
    });
  }

  PlistValue::Dictionary dictionary(const std::optional<std::string>& appVersion) const {
    PlistValue::Dictionary values{{DockManager::kPreviousAutoHideKey, autoHide},
                                  {DockManager::kPreviousMinEffectKey, minEffect},
                                  {DockManager::kRecoveryVersionKey, appVersion.value_or("unknown")},
                                  {DockManager::kRecoveryNeededKey, true}};
    if (autoHideDelay) values[DockManager::kPreviousAutoHideDelayKey] = *autoHideDelay;
    if (autoHideTimeModifier) values[DockManager::kPreviousAutoHideTimeModifierKey] = *autoHideTimeModifier;
    PlistValue::Array absent;
    for (const auto& key : absentKeys) absent.emplace_back(key);
    values[DockManager::kPreviousAbsentKeysKey] = absent;
    return values;
  }

  bool isAbsent(const char* key) const { return absentKeys.count(key) > 0; }

  void store(platform::UserDefaults& defaults, const std::optional<std::string>& appVersion) const {
    defaults.setBool(DockManager::kPreviousAutoHideKey, autoHide);
    defaults.setObject(DockManager::kPreviousMinEffectKey, minEffect);
    storeOptional(defaults, DockManager::kPreviousAutoHideDelayKey, autoHideDelay);
    storeOptional(defaults, DockManager::kPreviousAutoHideTimeModifierKey, autoHideTimeModifier);
    platform::PlistValue::Array absent;
    for (const auto& key : absentKeys) absent.emplace_back(key);
    defaults.setObject(DockManager::kPreviousAbsentKeysKey, absent);
    defaults.removeObject(DockManager::kRestoreInProgressKey);
    defaults.setObject(DockManager::kRecoveryVersionKey, appVersion.value_or("unknown"));
    defaults.setBool(DockManager::kRecoveryNeededKey, true);
  }

  static void storeOptional(platform::UserDefaults& defaults, const char* key,
                            const std::optional<std::string>& value) {
    if (value) {
      defaults.setObject(key, *value);
    } else {
      defaults.removeObject(key);
    }
  }
};

constexpr const char* kAllRecoveryKeys[] = {
    DockManager::kRecoveryNeededKey,        DockManager::kPreviousAutoHideKey,
    DockManager::kPreviousMinEffectKey,     DockManager::kRecoveryVersionKey,
    DockManager::kPreviousAutoHideDelayKey, DockManager::kPreviousAutoHideTimeModifierKey,
    DockManager::kPreviousAbsentKeysKey,    DockManager::kRestoreInProgressKey,
};

bool hasAnyRecoveryKey(const platform::UserDefaults& defaults) {
  return std::any_of(std::begin(kAllRecoveryKeys), std::end(kAllRecoveryKeys),
                     [&](const char* key) { return defaults.storedObject(key).has_value(); });
}

bool keepsCopy(const DockManager::Services& services) {
  return services.fileSystem && !services.recordCopyPath.empty();
}

// The record in its copy; nothing when there is none or it cannot be read.
std::optional<RecoveryRecord> readCopy(const DockManager::Services& services) {
  if (!keepsCopy(services) || !services.fileSystem->fileExists(services.recordCopyPath)) return std::nullopt;
  auto text = services.fileSystem->readFile(services.recordCopyPath);
  auto parsed = text ? platform::parsePlistXml(*text) : std::nullopt;
  if (!parsed || !parsed->asDictionary()) {
    debugLog("DockManager: the copy of the recovery record at " + services.recordCopyPath +
             " cannot be read");
    return std::nullopt;
  }
  return RecoveryRecord::read(*parsed->asDictionary());
}

bool writeCopy(const DockManager::Services& services, const RecoveryRecord& record) {
  if (!keepsCopy(services)) return true;
  const std::string folder = std::filesystem::path(services.recordCopyPath).parent_path().string();
  return services.fileSystem->createDirectories(folder) &&
         services.fileSystem->writeFileAtomically(
             services.recordCopyPath, platform::writePlistXml(record.dictionary(services.appVersion)));
}

// The record to restore from: the user defaults' keys; else their copy; else, when the keys still say a
// record exists, whatever of them can be read.
std::optional<RecoveryRecord> findRecord(const DockManager::Services& services) {
  if (auto record = RecoveryRecord::read(services.userDefaults)) return record;
  if (auto copy = readCopy(services)) {
    debugLog("DockManager: no readable recovery record in the user defaults; using its copy at " +
             services.recordCopyPath);
    return copy;
  }
  if (DockManager::needsRecovery(services.userDefaults)) return RecoveryRecord::load(services.userDefaults);
  return std::nullopt;
}

bool hasAnyRecord(const DockManager::Services& services) {
  return hasAnyRecoveryKey(services.userDefaults) ||
         (keepsCopy(services) && services.fileSystem->fileExists(services.recordCopyPath));
}

// The user defaults' keys go first: a copy left behind by a crash in between is dropped by the next
// recovery, which finds the Dock no longer hidden.
void dropRecord(const DockManager::Services& services) {
  auto& defaults = services.userDefaults;
  for (const char* key : kAllRecoveryKeys) defaults.removeObject(key);
  if (!defaults.synchronize()) debugLog("DockManager: could not write the user defaults after a restore");
  if (keepsCopy(services) && services.fileSystem->fileExists(services.recordCopyPath) &&
      !services.fileSystem->removeFile(services.recordCopyPath)) {
    debugLog("DockManager: could not remove the copy of the recovery record at " + services.recordCopyPath);
  }
}

// Records the Dock's present configuration before a hide changes it. False when the hide must not go
// on: the previous values could not be read, or the record could not be made durable.
bool saveRecoveryState(const DockManager::Services& services, const DockPreferences& preferences) {
  auto& defaults = services.userDefaults;
  bool keepRecord = DockManager::needsRecovery(defaults);
  if (!keepRecord) {
    if (auto copy = readCopy(services)) {
      // The copy alone speaks for the record only while the Dock still shows the hide; otherwise it is
      // what a crash left between removing the keys and removing the copy.
      auto delay = preferences.read(kAutoHideDelay);
      if (delay.status == DockPreferences::ReadStatus::failed) {
        debugLog("DockManager: could not read the Dock's preferences; not hiding the Dock");
        return false;
      }
      if (delay.is(kHiddenDelayText)) {
        debugLog("DockManager: taking the recovery record back from its copy at " + services.recordCopyPath);
        copy->store(defaults, services.appVersion);
        if (copy->restoreInProgress) defaults.setBool(DockManager::kRestoreInProgressKey, true);
        keepRecord = true;
      } else {
        dropRecord(services);
      }
    }
  }
  if (keepRecord) {
    // The record describes the Dock before the first hide; the Dock now shows (part of) that hide, so
    // recording again would make the hidden configuration the one to go back to.
    debugLog("DockManager: keeping the recorded Dock configuration; re-applying the hidden configuration");
    if (defaults.storedObject(DockManager::kRestoreInProgressKey)) {
      defaults.removeObject(DockManager::kRestoreInProgressKey);
    }
    defaults.synchronize();
    return true;
  }

  auto autoHide = preferences.read(kAutoHide);
  auto minEffect = preferences.read(kMinEffect);
  auto delay = preferences.read(kAutoHideDelay);
  auto timeModifier = preferences.read(kAutoHideTimeModifier);
  for (const auto* read : {&autoHide, &minEffect, &delay, &timeModifier}) {
    if (read->status == DockPreferences::ReadStatus::failed) {
      debugLog("DockManager: could not read the Dock's preferences; not hiding the Dock");
      return false;
    }
  }

  RecoveryRecord record;
  if (autoHide.is("1") && isHiddenDelay(delay)) {
    // Hidden already, with no record of what came before (a hide by an earlier run whose record was
    // lost): going back to these values would keep the Dock hidden for good.
    debugLog("DockManager: the Dock is already hidden without a record; recording its factory configuration");
    record = RecoveryRecord::factory();
  } else {
    record.autoHide = autoHide.is("1");
    if (minEffect.hasValue()) record.minEffect = minEffect.text;
    if (delay.hasValue()) record.autoHideDelay = delay.text;
    if (timeModifier.hasValue()) record.autoHideTimeModifier = timeModifier.text;
    if (!autoHide.hasValue()) record.absentKeys.insert(kAutoHide);
    if (!minEffect.hasValue()) record.absentKeys.insert(kMinEffect);
    if (!delay.hasValue()) record.absentKeys.insert(kAutoHideDelay);
    if (!timeModifier.hasValue()) record.absentKeys.insert(kAutoHideTimeModifier);
  }
  record.store(defaults, services.appVersion);
  if (!writeCopy(services, record) || !defaults.synchronize()) {
    debugLog("DockManager: could not save the Dock's recovery record; not hiding the Dock");
    dropRecord(services);
    return false;
  }
  return true;
}

void runHide(const DockManager::Services& services, uint64_t generation) {
  std::lock_guard lock(dockChangeMutex());
  auto superseded = [generation] {
    if (restoreGeneration().load() == generation) return false;
    debugLog("DockManager: a restore superseded the hide; stopping it");
    return true;
  };
  if (superseded()) return;
  DockPreferences preferences = preferencesFor(services);
  if (!saveRecoveryState(services, preferences)) return;
  for (const auto& setting : kHiddenConfiguration) {
    if (superseded()) return;
    preferences.write(setting.key, setting.typeArgument, setting.value);
  }
  if (superseded()) return;
  preferences.restartDock();
}

// Puts a recorded timing preference back: as the number it was, or as text when it was not a number.
bool restoreTiming(const DockPreferences& preferences, const char* key,
                   const std::optional<std::string>& value) {
  if (!value) return preferences.remove(key);
  if (parseWholeDouble(*value)) return preferences.write(key, "-float", *value);
  return preferences.write(key, "-string", *value);
}

// Without a record nothing says what the Dock looked like, so its own choices (auto-hide, effect) are
// left alone; only the hide's timing values, which make the Dock unusable, are taken away.
void restoreWithoutRecord(const DockPreferences& preferences) {
  if (!isHiddenDelay(preferences.read(kAutoHideDelay))) return;
  debugLog("DockManager: no recovery record; removing the hidden Dock's timing only");
  preferences.remove(kAutoHideDelay);
  preferences.remove(kAutoHideTimeModifier);
  preferences.restartDock();
}

enum class RestoreKind { requested, recovery };

// Call with dockChangeMutex() held.
void restoreLocked(const DockManager::Services& services, RestoreKind kind) {
  auto& defaults = services.userDefaults;
  DockPreferences preferences = preferencesFor(services);

  std::optional<RecoveryRecord> found = findRecord(services);
  if (!found) {
    restoreWithoutRecord(preferences);
    if (kind == RestoreKind::recovery && hasAnyRecord(services)) dropRecord(services);
    return;
  }

  const RecoveryRecord& record = *found;
  if (kind == RestoreKind::recovery && !record.restoreInProgress) {
    auto delay = preferences.read(kAutoHideDelay);
    if (delay.status == DockPreferences::ReadStatus::failed) {
      debugLog("DockManager: could not read the Dock's preferences; keeping the recovery record");
      return;
    }
    if (!delay.is(kHiddenDelayText)) {
      debugLog("DockManager: the Dock no longer shows the hide; dropping the recovery record");
      dropRecord(services);
      return;
    }
  }

  defaults.setBool(DockManager::kRestoreInProgressKey, true);
  defaults.synchronize();

  bool complete = true;
  if (record.isAbsent(kMinEffect)) {
    complete = preferences.remove(kMinEffect) && complete;
  } else {
    complete = preferences.write(kMinEffect, "-string", record.minEffect) && complete;
  }
  if (record.isAbsent(kAutoHide)) {
    complete = preferences.remove(kAutoHide) && complete;
  } else if (!record.autoHide) {
    complete = preferences.write(kAutoHide, "-bool", "false") && complete;
  }
  complete = restoreTiming(preferences, kAutoHideTimeModifier, record.autoHideTimeModifier) && complete;
  complete = restoreTiming(preferences, kAutoHideDelay, record.autoHideDelay) && complete;
  complete = preferences.restartDock() && complete;

  if (complete) {
    dropRecord(services);
  } else {
    debugLog("DockManager: the restore did not complete; keeping the recovery record for the next attempt");
  }
}

}  // namespace

struct DockManager::Core {
  Core(Scheduler& scheduler, platform::Workspace& workspace, platform::WindowServer& windowServer,
       Services services)
      : scheduler(scheduler),
        workspace(workspace),
        windowServer(windowServer),
        services(std::move(services)),
        hideGroup(scheduler.makeGroup()) {}

  Scheduler& scheduler;
  platform::Workspace& workspace;
  platform::WindowServer& windowServer;
  Services services;
  std::shared_ptr<DispatchGroup> hideGroup;
  std::atomic<int> hidesInFlight{0};
  // The restore generation the latest hide was started in.
  std::atomic<uint64_t> latestHideGeneration{0};
};

std::string_view DockManager::rawValue(DockPlacement placement) {
  switch (placement) {
    case DockPlacement::left:
      return "left";
    case DockPlacement::bottom:
      return "bottom";
    case DockPlacement::right:
      return "right";
  }
  return "bottom";
}

std::string DockManager::displayName(DockPlacement placement) {
  std::string name(rawValue(placement));
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return name;
}

std::optional<DockManager::DockPlacement> DockManager::placementFromRawValue(std::string_view raw) {
  for (auto placement : {DockPlacement::left, DockPlacement::bottom, DockPlacement::right}) {
    if (rawValue(placement) == raw) return placement;
  }
  return std::nullopt;
}

DockManager::DockManager(Scheduler& scheduler, platform::Workspace& workspace,
                         platform::WindowServer& windowServer, Services services)
    : core_(std::make_shared<Core>(scheduler, workspace, windowServer, std::move(services))) {}

DockManager::~DockManager() = default;

bool DockManager::isHideRunning() const {
  return core_->hidesInFlight.load() > 0;
}

void DockManager::hideDock() {
  core_->scheduler.assertMainThread("DockManager::hideDock");
  uint64_t generation = restoreGeneration().load();
  // A hide on its way that no restore has superseded will do; a superseded one stops early and must
  // not swallow this request.
  if (isHideRunning() && core_->latestHideGeneration.load() == generation) return;
  core_->latestHideGeneration.store(generation);
  core_->hidesInFlight.fetch_add(1);
  core_->hideGroup->enter();
  auto core = core_;  // the work keeps the manager's state alive until it ends
  core->scheduler.globalQueue().async([core, generation] {
    runHide(core->services, generation);
    core->hidesInFlight.fetch_sub(1);
    core->hideGroup->leave();
  });
}

void DockManager::restoreDock() {
  core_->scheduler.assertMainThread("DockManager::restoreDock");
  if (isHideRunning()) core_->hideGroup->wait(core_->services.hideWaitSeconds);
  restoreGeneration().fetch_add(1);
  std::lock_guard lock(dockChangeMutex());
  restoreLocked(core_->services, RestoreKind::requested);
}

bool DockManager::needsRecovery(const platform::UserDefaults& userDefaults) {
  return userDefaults.boolForKey(kRecoveryNeededKey);
}

bool DockManager::needsRecovery(const Services& services) {
  return needsRecovery(services.userDefaults) || readCopy(services).has_value();
}

void DockManager::emergencyRestoreDock(const Services& services) {
  restoreGeneration().fetch_add(1);
  std::lock_guard lock(dockChangeMutex());
  restoreLocked(services, RestoreKind::recovery);
}

void DockManager::restoreDockAndExit(const Services& services) {
  emergencyRestoreDock(services);
  std::exit(0);
}

DockManager::DockPlacement DockManager::recommendedVisiblePlacement(TaskbarPosition taskbarPosition,
                                                                    std::optional<DockPlacement> current) {
  if (current == DockPlacement::left) {
    return taskbarPosition == TaskbarPosition::left ? DockPlacement::bottom : DockPlacement::left;
  }
  if (current == DockPlacement::right) {
    return taskbarPosition == TaskbarPosition::right ? DockPlacement::bottom : DockPlacement::right;
  }
  return taskbarPosition == TaskbarPosition::bottom ? DockPlacement::left : DockPlacement::bottom;
}

bool DockManager::dockPlacementConflicts(DockPlacement placement, TaskbarPosition taskbarPosition) {
  switch (placement) {
    case DockPlacement::left:
      return taskbarPosition == TaskbarPosition::left;
    case DockPlacement::bottom:
      return taskbarPosition == TaskbarPosition::bottom;
    case DockPlacement::right:
      return taskbarPosition == TaskbarPosition::right;
  }
  return false;
}

namespace {

std::optional<DockManager::DockPlacement> placementFromOrientation(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string lowered = *text;
  for (auto& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return DockManager::placementFromRawValue(lowered);
}

bool isVisibleDockWindow(const platform::WindowInfo& window, int32_t dockPID) {
  auto number = [&](const char* key) -> std::optional<double> {
    auto it = window.find(key);
    return it == window.end() ? std::nullopt : it->second.numberValue();
  };
  if (number(platform::window_key::kOwnerPID) != static_cast<double>(dockPID)) return false;
  if (auto alpha = number(platform::window_key::kAlpha); alpha && *alpha <= 0.01) return false;
  auto boundsEntry = window.find(platform::window_key::kBounds);
  if (boundsEntry == window.end() || !boundsEntry->second.asDictionary()) return false;
  auto bounds = platform::rectFromDictionary(*boundsEntry->second.asDictionary());
  if (!bounds || bounds->isEmpty()) return false;
  // The Dock keeps large transparent layer-0 windows without a name on screen (for Mission Control and
  // the like); those say nothing about the Dock itself being visible.
  auto nameEntry = window.find(platform::window_key::kName);
  const std::string* name = nameEntry == window.end() ? nullptr : nameEntry->second.asString();
  bool unnamed = !name || name->empty();
  if (number(platform::window_key::kLayer).value_or(0) == 0 && unnamed && bounds->width() >= 200 &&
      bounds->height() >= 200) {
    return false;
  }
  return bounds->width() * bounds->height() >= 1500;
}

}  // namespace

DockManager::VisibilitySnapshot DockManager::takeSnapshot(const Core& core) {
  DockPreferences preferences = preferencesFor(core.services);
  VisibilitySnapshot snapshot;

  if (preferences.readDefaultsString(kAutoHide) == "1") {
    auto delay = preferences.readDefaultsString(kAutoHideDelay);
    auto number = delay ? parseWholeDouble(*delay) : std::nullopt;
    snapshot.matchesPelkoHiddenConfiguration = number && *number >= kHiddenDelayThreshold;
  }

  int32_t dockPID = 0;
  for (const auto& app : core.workspace.runningApplications()) {
    if (app && app->bundleIdentifier() == "com.apple.dock") {
      dockPID = app->processIdentifier();
      break;
    }
  }
  if (dockPID > 0) {
    auto windows = core.windowServer.copyWindowInfo(
        platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
        platform::kNullWindowID);
    if (windows) {
      snapshot.isActuallyVisibleOnScreen =
          std::any_of(windows->begin(), windows->end(),
                      [&](const auto& window) { return isVisibleDockWindow(window, dockPID); });
    }
  }

  snapshot.autohideEnabled = preferences.readDefaultsString(kAutoHide) == "1";
  snapshot.placement = placementFromOrientation(preferences.readDefaultsString(kOrientation));
  return snapshot;
}

void DockManager::dockVisibilitySnapshot(std::function<void(VisibilitySnapshot)> completion) {
  auto core = core_;
  core->scheduler.globalQueue().async([core, completion = std::move(completion)]() mutable {
    VisibilitySnapshot snapshot = takeSnapshot(*core);
    core->scheduler.mainQueue().async([completion = std::move(completion), snapshot] {
      if (completion) completion(snapshot);
    });
  });
}

DockManager::OptimizationResult DockManager::performOptimization(const Core& core,
                                                                 TaskbarPosition taskbarPosition) {
  std::lock_guard lock(dockChangeMutex());
  DockPreferences preferences = preferencesFor(core.services);
  auto current = placementFromOrientation(preferences.readDefaultsString(kOrientation));
  DockPlacement target = recommendedVisiblePlacement(taskbarPosition, current);

  preferences.remove(kAutoHideDelay);
  preferences.remove(kAutoHideTimeModifier);
  preferences.write(kAutoHide, "-bool", "true");
  if (current != target) preferences.write(kOrientation, "-string", std::string(rawValue(target)));
  preferences.restartDock();

  OptimizationResult result;
  result.placement = placementFromOrientation(preferences.readDefaultsString(kOrientation));
  result.autohideEnabled = preferences.readDefaultsString(kAutoHide) == "1";
  return result;
}

void DockManager::optimizeVisibleDock(TaskbarPosition taskbarPosition,
                                      std::function<void(OptimizationResult)> completion) {
  auto core = core_;
  core->scheduler.globalQueue().async([core, taskbarPosition, completion = std::move(completion)]() mutable {
    OptimizationResult result = performOptimization(*core, taskbarPosition);
    if (!completion) return;
    core->scheduler.mainQueue().async([completion = std::move(completion), result] { completion(result); });
  });
}

}  // namespace pelko
