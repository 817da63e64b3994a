#include "settings/SettingsManager.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <unordered_set>

#include "foundation/DebugLog.h"
#include "settings/ColorHex.h"

namespace pelko {

using platform::PlistValue;

namespace {

// The stored and registered form of each value type.
PlistValue plistFor(bool value) {
  return PlistValue(value);
}
PlistValue plistFor(double value) {
  return PlistValue(value);
}
PlistValue plistFor(const Color& value) {
  return PlistValue(hexString(value));
}
PlistValue plistFor(const std::string& value) {
  return PlistValue(value);
}
template <StringEnumeration E>
PlistValue plistFor(E value) {
  return PlistValue(std::string(rawValue(value)));
}
PlistValue plistFor(const StringList& list) {
  if (auto json = encodeStringListJson(list)) return PlistValue(std::move(*json));
  PlistValue::Array array(list.begin(), list.end());
  return PlistValue(std::move(array));
}

// A Boolean, or a number equal to 0 or 1; a hand-edited domain may hold anything.
std::optional<bool> readBool(const std::optional<PlistValue>& value) {
  if (!value) return std::nullopt;
  if (auto b = value->asBool()) return *b;
  if (auto n = value->numberValue()) {
    if (*n == 0) return false;
    if (*n == 1) return true;
  }
  return std::nullopt;
}

// A number that is exactly a finite 64-bit floating-point value.
std::optional<double> readNumber(const std::optional<PlistValue>& value) {
  if (!value) return std::nullopt;
  if (auto real = value->asReal()) {
    if (!std::isfinite(*real)) return std::nullopt;
    return *real;
  }
  if (auto integer = value->asInteger()) {
    constexpr double kTwo63 = 9223372036854775808.0;
    auto asDouble = static_cast<double>(*integer);
    if (asDouble >= kTwo63 || asDouble < -kTwo63 || static_cast<int64_t>(asDouble) != *integer)
      return std::nullopt;
    return asDouble;
  }
  return std::nullopt;
}

// The property-list element a stored value was written as, for messages about it.
std::string elementOf(const PlistValue& value) {
  static constexpr const char* kElements[] = {
      "<true/> or <false/>", "<integer>", "<real>", "<string>", "<data>", "<date>", "<array>", "<dict>"};
  return kElements[value.storage().index()];
}

// Why a stored value cannot be read as a setting of type T, judged as readInitial() reads it.
template <class T>
std::optional<std::string> unreadableAs(const PlistValue& value) {
  if constexpr (std::is_same_v<T, bool>) {
    if (readBool(value)) return std::nullopt;
    return elementOf(value) + " where a Boolean belongs";
  } else if constexpr (std::is_same_v<T, double>) {
    if (readNumber(value)) return std::nullopt;
    if (const double* real = value.asReal()) {
      if (std::isnan(*real)) return std::string("<real> nan is not a number");
      return std::string("<real> ") + (*real > 0 ? "+" : "-") + "infinity is not a finite number";
    }
    if (const int64_t* integer = value.asInteger())
      return "<integer> " + std::to_string(*integer) + " is too large to be held exactly";
    return elementOf(value) + " where a number belongs";
  } else if constexpr (std::is_same_v<T, StringList>) {
    if (value.isData() || value.isArray()) return std::nullopt;
    return elementOf(value) + " where a list belongs";
  } else {
    // Enumerations, colours and the indicator side are texts.
    if (value.isString()) return std::nullopt;
    return elementOf(value) + " where a text belongs";
  }
}

bool isHiddenAppListNormalized(const StringList& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].empty()) return false;
    if (i > 0 && !(list[i - 1] < list[i])) return false;
  }
  return true;
}

StringList normalizeHiddenAppList(StringList list) {
  std::erase_if(list, [](const std::string& s) { return s.empty(); });
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  return list;
}

// Length in bytes of a white-space or line-break character at the start (or, with `fromEnd`, the end)
// of `text`; 0 when there is none.
size_t whitespaceLength(std::string_view text, bool fromEnd) {
  static constexpr std::array<std::string_view, 25> kWhitespace{" ",
                                                                "\t",
                                                                "\n",
                                                                "\v",
                                                                "\f",
                                                                "\r",
                                                                "\xC2\x85",
                                                                "\xC2\xA0",
                                                                "\xE1\x9A\x80",
                                                                "\xE2\x80\x80",
                                                                "\xE2\x80\x81",
                                                                "\xE2\x80\x82",
                                                                "\xE2\x80\x83",
                                                                "\xE2\x80\x84",
                                                                "\xE2\x80\x85",
                                                                "\xE2\x80\x86",
                                                                "\xE2\x80\x87",
                                                                "\xE2\x80\x88",
                                                                "\xE2\x80\x89",
                                                                "\xE2\x80\x8A",
                                                                "\xE2\x80\xA8",
                                                                "\xE2\x80\xA9",
                                                                "\xE2\x80\xAF",
                                                                "\xE2\x81\x9F",
                                                                "\xE3\x80\x80"};
  for (auto ws : kWhitespace)
    if (fromEnd ? text.ends_with(ws) : text.starts_with(ws)) return ws.size();
  return 0;
}

std::string trimWhitespace(std::string_view text) {
  while (size_t n = whitespaceLength(text, false)) text.remove_prefix(n);
  while (size_t n = whitespaceLength(text, true)) text.remove_suffix(n);
  return std::string(text);
}

// Trimmed, no empty string, first occurrence wins, order kept.
StringList normalizeBundleIDOrder(const StringList& list) {
  StringList result;
  std::unordered_set<std::string> seen;
  for (const auto& entry : list) {
    std::string trimmed = trimWhitespace(entry);
    if (trimmed.empty() || !seen.insert(trimmed).second) continue;
    result.push_back(std::move(trimmed));
  }
  return result;
}

std::optional<StringList> stringsOf(const PlistValue::Array& array) {
  StringList result;
  for (const auto& element : array) {
    auto s = element.asString();
    if (!s) return std::nullopt;
    result.push_back(*s);
  }
  return result;
}

bool isIndicatorPosition(const std::string& text) {
  return text == "bottom" || text == "top" || text == "left" || text == "right";
}

// The indicator sits on the side of the bar that faces the screen's content.
std::string indicatorPositionFor(TaskbarPosition position) {
  switch (position) {
    case TaskbarPosition::bottom:
      return "bottom";
    case TaskbarPosition::top:
      return "top";
    case TaskbarPosition::left:
      return "right";
    case TaskbarPosition::right:
      return "left";
  }
  return "bottom";
}

double clamped(double value, const NumericRange& range) {
  double c = value <= range.lower ? range.lower : value;
  return c > range.upper ? range.upper : c;
}

}  // namespace

SettingsManager::SettingsManager(const Dependencies& dependencies) : deps_(dependencies) {
  load();
}

std::optional<std::string> SettingsManager::whyUnreadable(const std::string& key, const PlistValue& stored) {
  using Judge = std::optional<std::string> (*)(const PlistValue&);
  // From the settings table, so that no setting can be left out or judged as another type.
  static const std::map<std::string, Judge> kJudges = [] {
    std::map<std::string, Judge> judges;
#define PELKO_JUDGE_BOOL(name, ...) judges[SettingBase::keyFor(#name)] = &unreadableAs<bool>;
#define PELKO_JUDGE_NUMBER(name, ...) judges[SettingBase::keyFor(#name)] = &unreadableAs<double>;
#define PELKO_JUDGE_VALUE(name, Type, ...) judges[SettingBase::keyFor(#name)] = &unreadableAs<Type>;
    PELKO_SETTINGS(PELKO_JUDGE_BOOL, PELKO_JUDGE_NUMBER, PELKO_JUDGE_VALUE)
#undef PELKO_JUDGE_BOOL
#undef PELKO_JUDGE_NUMBER
#undef PELKO_JUDGE_VALUE
    return judges;
  }();
  const auto judge = kJudges.find(key);
  return judge == kJudges.end() ? std::nullopt : judge->second(stored);
}

SettingsManager::~SettingsManager() = default;

Color SettingsManager::accentColor() const {
  return deps_.appearance.controlAccentColor();
}

bool SettingsManager::hasScreenRecordingPermission() const {
  return deps_.permissions.preflightScreenCaptureAccess();
}

bool SettingsManager::isAccessibilityTrusted() const {
  return deps_.permissions.isAccessibilityTrusted(false);
}

// ---- Change rules ----

template <class T>
void SettingsManager::persist(Setting<T>& setting, const T&) {
  deps_.defaults.setObject(setting.key(), plistFor(setting.get()));
}

void SettingsManager::clampRule(Setting<double>& setting, const double&) {
  const double value = setting.get();
  const double c = clamped(value, *setting.range());
  if (c != value) {
    setting = c;  // the out-of-range value is announced but never persisted
    return;
  }
  persist(setting, value);
}

void SettingsManager::positionRule(Setting<TaskbarPosition>& setting, const TaskbarPosition& previous) {
  const TaskbarPosition now = setting.get();
  persist(setting, previous);
  if (isVertical(previous) != isVertical(now)) taskbarSize = 100.0;
  activeIndicatorPosition = indicatorPositionFor(now);
}

void SettingsManager::activeIndicatorPositionRule(Setting<std::string>& setting,
                                                  const std::string& previous) {
  if (!isIndicatorPosition(setting.get())) {
    setting = std::string("bottom");
    return;
  }
  persist(setting, previous);
}

void SettingsManager::showThumbnailsRule(Setting<bool>& setting, const bool& previous) {
  if (setting.get() && !hasScreenRecordingPermission()) {
    setting = false;
    return;
  }
  persist(setting, previous);
}

void SettingsManager::launchAtLoginRule(Setting<bool>& setting, const bool& previous) {
  const bool wanted = setting.get();
  persist(setting, previous);
  deps_.launchAtLogin.setEnabled(wanted);
  const bool enabled = deps_.launchAtLogin.isEnabled();
  const bool awaitingApproval = deps_.launchAtLogin.requiresApproval();
  const bool effective = wanted ? (enabled || awaitingApproval) : enabled;
  if (effective == setting.get()) return;
  if (correctingLaunchAtLogin_) {
    // The service contradicted itself twice in a row; stop rather than flip back and forth forever.
    debugLog("Settings: launch at login did not settle; keeping " + std::string(wanted ? "true" : "false"));
    return;
  }
  correctingLaunchAtLogin_ = true;
  setting = effective;
  correctingLaunchAtLogin_ = false;
}

void SettingsManager::hiddenAppListRule(Setting<StringList>& setting, const StringList& previous) {
  if (!isHiddenAppListNormalized(setting.get())) {
    setting = normalizeHiddenAppList(setting.get());
    return;
  }
  persist(setting, previous);
}

void SettingsManager::customAppOrderRule(Setting<StringList>& setting, const StringList& previous) {
  StringList normalized = normalizeBundleIDOrder(setting.get());
  if (normalized != setting.get()) {
    setting = std::move(normalized);
    return;
  }
  persist(setting, previous);
}

// ---- Hidden-app list ----

void SettingsManager::addToBlacklist(const std::string& bundleID) {
  if (bundleID.empty()) return;
  const StringList& list = blacklistedBundleIDs.get();
  if (std::find(list.begin(), list.end(), bundleID) != list.end()) return;
  StringList updated = list;
  updated.push_back(bundleID);
  blacklistedBundleIDs = std::move(updated);
}

void SettingsManager::removeFromBlacklist(const std::string& bundleID) {
  StringList updated = blacklistedBundleIDs.get();
  std::erase(updated, bundleID);
  blacklistedBundleIDs = std::move(updated);
}

bool SettingsManager::isBlacklisted(std::optional<std::string_view> bundleID) const {
  if (!bundleID || bundleID->empty()) return false;
  const StringList& list = blacklistedBundleIDs.get();
  return std::find(list.begin(), list.end(), *bundleID) != list.end();
}

// ---- Bar thickness and permission prompts ----

double SettingsManager::barThickness() const {
  const double size = taskbarSize.get();
  const double scale = size <= 50 ? 0.5 : std::min(size, 150.0) / 100.0;
  const bool vertical = isVertical(position.get());
  const double base = vertical ? 48 : 34;
  const double minimum = vertical ? 36 : 26;
  const double thickness = std::round(scale * base);
  return minimum <= thickness ? thickness : minimum;
}

bool SettingsManager::shouldPromptForAccessibilityPermission() const {
  if (suppressAccessibilityPermissionPrompt.get()) return false;
  return !isAccessibilityTrusted();
}

bool SettingsManager::shouldPromptForScreenRecordingPermission() const {
  if (suppressScreenRecordingPermissionPrompt.get()) return false;
  return !hasScreenRecordingPermission();
}

void SettingsManager::clearAccessibilityPermissionDeclineIfNeeded() {
  if (isAccessibilityTrusted() && suppressAccessibilityPermissionPrompt.get())
    suppressAccessibilityPermissionPrompt = false;
}

void SettingsManager::clearScreenRecordingPermissionDeclineIfNeeded() {
  if (hasScreenRecordingPermission() && suppressScreenRecordingPermissionPrompt.get())
    suppressScreenRecordingPermissionPrompt = false;
}

void SettingsManager::acknowledgeLimitedModeWithoutAccessibility() {
  suppressAccessibilityPermissionPrompt = true;
}

void SettingsManager::clearLimitedModeAcknowledgement() {
  suppressAccessibilityPermissionPrompt = false;
}

void SettingsManager::acknowledgeScreenRecordingSkip() {
  suppressScreenRecordingPermissionPrompt = true;
  showThumbnails = false;
}

void SettingsManager::clearScreenRecordingSkipAcknowledgement() {
  suppressScreenRecordingPermissionPrompt = false;
}

// ---- Loading ----

PlistValue::Dictionary SettingsManager::recommendedDefaults() const {
  PlistValue::Dictionary registered;
  auto add = [&registered]<class T>(const Setting<T>& setting) {
    // The lists have no registered value: with nothing stored they read as empty.
    if constexpr (!std::is_same_v<T, StringList>)
      registered[setting.key()] = plistFor(setting.defaultValue());
  };
#define PELKO_REGISTER_BOOL(name, ...) add(name);
#define PELKO_REGISTER_NUMBER(name, ...) add(name);
#define PELKO_REGISTER_VALUE(name, ...) add(name);
  PELKO_SETTINGS(PELKO_REGISTER_BOOL, PELKO_REGISTER_NUMBER, PELKO_REGISTER_VALUE)
#undef PELKO_REGISTER_BOOL
#undef PELKO_REGISTER_NUMBER
#undef PELKO_REGISTER_VALUE
  return registered;
}

template <class T>
void SettingsManager::readInitial(Setting<T>& setting) {
  const auto& key = setting.key();
  std::optional<T> value;
  if constexpr (std::is_same_v<T, bool>) {
    value = readBool(deps_.defaults.objectForKey(key));
  } else if constexpr (std::is_same_v<T, double>) {
    value = readNumber(deps_.defaults.objectForKey(key));
  } else if constexpr (StringEnumeration<T>) {
    if (auto text = deps_.defaults.stringForKey(key)) value = fromRawValue<T>(*text);
  } else if constexpr (std::is_same_v<T, Color>) {
    value = colorFromHex(deps_.defaults.stringForKey(key));
  } else if constexpr (std::is_same_v<T, std::string>) {
    value = deps_.defaults.stringForKey(key);
  } else {
    static_assert(std::is_same_v<T, StringList>);
    return;  // the two lists each have their own reading (readBundleIDLists)
  }
  setting.setInitial(value ? std::move(*value) : setting.defaultValue());
}

void SettingsManager::migrateStyle() {
  if (deps_.defaults.stringForKey(style.key()) == "iconsTextBelow") {
    style.setInitial(TaskbarStyle::iconsTextRight);
    deps_.defaults.setObject(style.key(), plistFor(TaskbarStyle::iconsTextRight));
  }
}

void SettingsManager::migrateBarHeight() {
  static const std::string kHeightKey = "PelkoHeight";
  auto height = deps_.defaults.stringForKey(kHeightKey);
  if (!height) return;
  std::optional<double> size;
  if (*height == "compact") size = 82;
  if (*height == "regular") size = 118;
  deps_.defaults.removeObject(kHeightKey);
  if (!size) return;
  taskbarSize.setInitial(*size);
  deps_.defaults.setObject(taskbarSize.key(), PlistValue(*size));
}

void SettingsManager::migrateBorders() {
  static const std::string kShowBorderKey = "PelkoShowBorder";
  static const std::string kBorderStyleKey = "PelkoBorderStyle";
  std::array<bool, 4> borders{};  // top, bottom, left, right
  if (auto show = readBool(deps_.defaults.objectForKey(kShowBorderKey))) {
    borders.fill(*show);
    deps_.defaults.removeObject(kShowBorderKey);
    // A style left behind would overwrite the user's later border choices at the next start.
    deps_.defaults.removeObject(kBorderStyleKey);
  } else if (auto styleName = deps_.defaults.stringForKey(kBorderStyleKey)) {
    if (*styleName == "all") borders = {true, true, true, true};
    if (*styleName == "topOnly") borders = {true, false, false, false};
    if (*styleName == "sides") borders = {false, false, true, true};
    deps_.defaults.removeObject(kBorderStyleKey);
  } else {
    return;
  }
  Setting<bool>* settings[] = {&borderTop, &borderBottom, &borderLeft, &borderRight};
  for (size_t i = 0; i < borders.size(); ++i) {
    settings[i]->setInitial(borders[i]);
    deps_.defaults.setBool(settings[i]->key(), borders[i]);
  }
}

void SettingsManager::readItemAlignment() {
  if (auto text = deps_.defaults.stringForKey(itemAlignment.key()))
    if (auto alignment = fromRawValue<ItemAlignment>(*text)) {
      itemAlignment.setInitial(*alignment);
      return;
    }
  // Versions before the alignment choice only had the centring switch.
  bool center = readBool(deps_.defaults.objectForKey(centerItems.key())).value_or(false);
  itemAlignment.setInitial(center ? ItemAlignment::center : ItemAlignment::left);
}

void SettingsManager::readBundleIDLists() {
  StringList hidden;
  std::optional<StringList> decoded;
  if (auto data = deps_.defaults.dataForKey(blacklistedBundleIDs.key()))
    decoded = decodeStringListJson(*data);
  if (!decoded)
    if (auto array = deps_.defaults.arrayForKey(blacklistedBundleIDs.key())) decoded = stringsOf(*array);
  if (decoded) hidden = normalizeHiddenAppList(std::move(*decoded));
  blacklistedBundleIDs.setInitial(std::move(hidden));

  StringList order;
  if (auto data = deps_.defaults.dataForKey(customAppOrder.key())) {
    if (auto list = decodeStringListJson(*data)) order = normalizeBundleIDOrder(*list);
  } else if (auto array = deps_.defaults.arrayForKey(customAppOrder.key())) {
    if (auto list = stringsOf(*array)) order = normalizeBundleIDOrder(*list);
  }
  customAppOrder.setInitial(std::move(order));
}

void SettingsManager::reconcileLaunchAtLogin() {
  const bool stored = readBool(deps_.defaults.objectForKey(launchAtLogin.key())).value_or(false);
  const bool enabled = deps_.launchAtLogin.isEnabled();
  launchAtLogin.setInitial(enabled);
  if (stored != enabled) deps_.defaults.setBool(launchAtLogin.key(), enabled);
}

void SettingsManager::load() {
  isBatchingUpdates = false;
  onBatchResetComplete = nullptr;
  deps_.defaults.registerDefaults(recommendedDefaults());

  // Typed reads, each falling back to the default for a missing or unreadable value. The reads have no
  // side effects; the migrations below then replace what they take over, in declared order.
#define PELKO_READ(name, ...) readInitial(name);
  PELKO_SETTINGS(PELKO_READ, PELKO_READ, PELKO_READ)
#undef PELKO_READ
  migrateStyle();
  migrateBarHeight();
  migrateBorders();
  readItemAlignment();
  readBundleIDLists();
  reconcileLaunchAtLogin();

  // Every numeric key is rewritten, so a stored value of the wrong type is replaced by its default.
#define PELKO_SKIP(...)
#define PELKO_CLAMP(name, ...) name = clamped(name.get(), *name.range());
  PELKO_SETTINGS(PELKO_SKIP, PELKO_CLAMP, PELKO_SKIP)
#undef PELKO_CLAMP
#undef PELKO_SKIP

  if (!isIndicatorPosition(activeIndicatorPosition.get())) activeIndicatorPosition = std::string("bottom");
  if (showThumbnails.get() && !hasScreenRecordingPermission()) showThumbnails = false;
  if (isAccessibilityTrusted() && suppressAccessibilityPermissionPrompt.get())
    suppressAccessibilityPermissionPrompt = false;
  if (hasScreenRecordingPermission() && suppressScreenRecordingPermissionPrompt.get())
    suppressScreenRecordingPermissionPrompt = false;
}

// ---- Presets, reset and batches ----

void SettingsManager::applyPreset(TaskbarPresetID preset) {
  isBatchingUpdates = true;
  assignBatch(static_cast<size_t>(rawValue(preset)));
  finishBatchPreset();
}

void SettingsManager::resetToDefaults() {
  isBatchingUpdates = true;
  assignBatch(std::nullopt);
  finishBatchPreset();
}

void SettingsManager::assignBatch(std::optional<size_t> presetColumn) {
  // One row per setting, in assignment order, with the value of each preset in TaskbarPresetID order:
  // dock, minimal, windowsIcons, windowsText, windows11, productivity, glass, topBar, sidebar. A row
  // without values is assigned by the reset only. `position` comes first, so its rule's knock-on changes
  // (bar size, indicator side) are overridden by the rows that follow.
  auto row = [presetColumn]<class T, class... V>(Setting<T>& setting, const V&... presetValues) {
    if (!presetColumn) {
      setting.assignDefault();
      return;
    }
    if constexpr (sizeof...(presetValues) > 0) {
      static_assert(sizeof...(presetValues) == 9);
      const std::array<T, 9> values{T(presetValues)...};
      setting = values[*presetColumn];
    }
  };
  using P = TaskbarPosition;
  using S = TaskbarStyle;
  using A = ItemAlignment;
  using W = WindowCountStyle;
  using H = AutoHideAnimation;
  const Color accent = accentColor();
  const Color white = Color::white();
  const Color bg = defaultBackgroundColor;
  const Color glassBg = Color::fromWhite(0.18);

  row(position, P::bottom, P::bottom, P::bottom, P::bottom, P::bottom, P::bottom, P::bottom, P::top, P::left);
  row(floatingBar, true, true, false, false, true, false, true, false, false);
  row(taskbarSize, 124, 90, 98, 100, 106, 104, 114, 88, 96);
  row(iconSize, 118, 96, 96, 96, 98, 96, 108, 88, 96);
  row(itemTextSize, 11, 11, 11, 11, 11, 12, 11, 11, 11);
  row(itemSpacing, 4, 5, 1, 1, 3, 1, 5, 1, 3);
  row(itemAlignment, A::center, A::center, A::left, A::left, A::center, A::left, A::center, A::left,
      A::center);
  row(centerItems, true, true, false, false, true, false, true, false, false);
  row(marginHorizontal, 10, 52, 0, 0, 8, 0, 12, 0, 0);
  row(marginVertical, 8, 8, 0, 0, 8, 0, 8, 0, 0);
  row(windowGap, 6, 6, 0, 0, 6, 0, 6, 0, 0);
  row(maxTaskWidth, 200, 200, 200, 172, 200, 190, 200, 160, 200);
  row(style, S::iconsOnly, S::iconsOnly, S::iconsOnly, S::iconsTextRight, S::iconsOnly, S::iconsTextRight,
      S::iconsOnly, S::iconsTextRight, S::iconsOnly);
  row(equalWidth, false, false, false, true, false, false, false, false, false);
  row(showWindowTitle, false, false, false, true, false, false, false, true, false);
  row(groupWindows, true, true, true, false, true, true, true, false, true);
  row(groupByApp, true, true, true, true, true, true, true, true, true);
  row(indicateMinimized, false, false, false, false, false, false, false, false, false);
  row(indicateHidden, false, false, false, false, false, false, false, false, false);
  row(showWindowCount, false, false, true, false, true, true, false, false, false);
  row(windowCountStyle, W::dots, W::dots, W::dots, W::dots, W::dots, W::badge, W::dots, W::dots, W::dots);
  row(badgeColor, accent, accent, accent, accent, accent, accent, accent, accent, accent);
  row(badgeTextColor, white, white, white, white, white, white, white, white, white);
  row(badgeOpacity, 100, 100, 100, 100, 100, 100, 100, 100, 100);
  row(showSystemTray, false, false, false, false, false, false, false, false, false);
  row(showBattery);
  row(showTime);
  row(showTrashIcon, false, false, false, false, false, false, false, false, false);
  row(clockFontSize);
  row(trayFontSize);
  row(clockAlignment);
  row(dateAlignment);
  row(showBatteryPercentage);
  row(showBatteryIcon);
  row(colorCodedBattery);
  row(batteryIconStyle);
  row(showThumbnails, true, true, true, true, true, true, true, true, true);
  row(thumbnailDelay, 0.45, 0.55, 0.55, 0.5, 0.35, 0.35, 0.45, 0.55, 0.45);
  row(useVibrancy, true, true, false, false, true, false, true, false, false);
  row(backgroundColor, bg, bg, bg, bg, bg, bg, glassBg, bg, bg);
  row(backgroundOpacity, 46, 24, 92, 93, 60, 94, 26, 88, 82);
  row(cornerRadius, 15, 10, 0, 0, 10, 0, 12, 0, 0);
  row(borderTop, false, false, true, true, false, true, false, false, false);
  row(borderBottom, false, false, false, false, false, false, false, true, false);
  row(borderLeft, false, false, false, false, false, false, false, false, false);
  row(borderRight, false, false, false, false, false, false, false, false, true);
  row(borderColor, white, white, white, white, white, white, white, white, white);
  row(borderOpacity, 30, 20, 18, 16, 15, 20, 10, 16, 16);
  row(borderWidth, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5);
  row(showActiveIndicator);
  row(activeIndicatorColor);
  row(activeIndicatorPosition);
  row(autoHide, false, true, false, false, false, false, false, false, true);
  row(autoHideDelay, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5);
  row(autoHideAnimation, H::instant, H::instant, H::instant, H::instant, H::instant, H::instant, H::instant,
      H::instant, H::instant);
  row(autoHideShortcut, true, true, true, true, true, true, true, true, true);
  row(autoHideActivationDelay, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  row(autoHideDodgeWindows, false, false, false, false, false, false, false, false, false);
  row(autoHideShowOnAppSwitch, false, false, false, false, false, false, false, false, false);
  row(autoHidePinned, false, false, false, false, false, false, false, false, false);
  row(autoHideDragReveal, true, true, true, true, true, true, true, true, true);
  row(autoHideSmartDelay, false, false, false, false, false, false, false, false, false);
  row(autoHidePeekReveal, false, false, false, false, false, false, false, false, false);
  row(autoHideFullscreenOnly, false, false, false, false, false, false, false, false, false);
  row(autoHideShowOnNewWindow, false, false, false, false, false, false, false, false, false);
  row(autoHideResizeWindows, false, false, false, false, false, false, false, false, false);
  row(autoHideAnimationSpeed, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5);
  row(hideInFullscreen, false, true, true, true, true, true, true, true, true);
  row(autoResizeWindows);
  row(fullyHideDock);
  row(excludeFromCapture);
  row(launchAtLogin);
  row(multiMonitorMode);
  row(customAppOrder);
  row(suppressAccessibilityPermissionPrompt);
  row(suppressScreenRecordingPermissionPrompt);
  // The hidden-app list is the user's own and is left alone by presets and the reset alike.
}

void SettingsManager::finishBatchPreset() {
  deps_.scheduler.performOnRunLoop(lifetime_.guard([this] {
    isBatchingUpdates = false;
    if (onBatchResetComplete) onBatchResetComplete();
  }));
}

}  // namespace pelko
