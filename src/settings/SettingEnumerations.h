#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace pelko {

// The closed value sets of the settings. The raw value is the only form in which a setting of one of
// these types is persisted; the display name is what the settings window and the taskbar menu show.
// Declared case order is the order of allCases().

enum class MultiMonitorMode { primaryOnly, allOnAll, activeMonitorOnly, primaryAllOthersOwn };
enum class AutoHideAnimation { slide, fade, scale, instant };
enum class WindowCountStyle { inlineLeft, inlineRight, dots, badge, stacked };
enum class ItemAlignment { left, center, right };
enum class TaskbarPosition { bottom, top, left, right };
enum class BatteryIconStyle { battery, bar, segments };
// `iconsOnly` is persisted as "icons"; the retired "iconsTextBelow" is no case (the load migrates it).
enum class TaskbarStyle { iconsOnly, iconsTextRight };

// How the settings window draws its surfaces; never persisted.
enum class SettingsRenderingMode { standard, lowDensity };

template <class E>
struct EnumCase {
  E value;
  std::string_view rawValue;
  std::string_view displayName;
};

// One table per string enumeration: the single source of its raw values and display names.
template <class E>
struct EnumTable;

template <>
struct EnumTable<MultiMonitorMode> {
  static constexpr std::array<EnumCase<MultiMonitorMode>, 4> cases{{
      {MultiMonitorMode::primaryOnly, "primaryOnly", "Primary Only"},
      {MultiMonitorMode::allOnAll, "allOnAll", "All on Every Monitor"},
      {MultiMonitorMode::activeMonitorOnly, "activeMonitorOnly", "Active Monitor Only"},
      {MultiMonitorMode::primaryAllOthersOwn, "primaryAllOthersOwn", "Per-Monitor Windows"},
  }};
};

template <>
struct EnumTable<AutoHideAnimation> {
  static constexpr std::array<EnumCase<AutoHideAnimation>, 4> cases{{
      {AutoHideAnimation::slide, "slide", "Slide In/Out"},
      {AutoHideAnimation::fade, "fade", "Fade In/Out"},
      {AutoHideAnimation::scale, "scale", "Scale Up/Down"},
      {AutoHideAnimation::instant, "instant", "Instant (No Animation)"},
  }};
};

template <>
struct EnumTable<WindowCountStyle> {
  static constexpr std::array<EnumCase<WindowCountStyle>, 5> cases{{
      {WindowCountStyle::inlineLeft, "inlineLeft", "Inline Left"},
      {WindowCountStyle::inlineRight, "inlineRight", "Inline Right"},
      {WindowCountStyle::dots, "dots", "Dots"},
      {WindowCountStyle::badge, "badge", "Badge"},
      {WindowCountStyle::stacked, "stacked", "Stacked"},
  }};
};

template <>
struct EnumTable<ItemAlignment> {
  static constexpr std::array<EnumCase<ItemAlignment>, 3> cases{{
      {ItemAlignment::left, "left", "Left"},
      {ItemAlignment::center, "center", "Center"},
      {ItemAlignment::right, "right", "Right"},
  }};
};

template <>
struct EnumTable<TaskbarPosition> {
  static constexpr std::array<EnumCase<TaskbarPosition>, 4> cases{{
      {TaskbarPosition::bottom, "bottom", "Bottom"},
      {TaskbarPosition::top, "top", "Top"},
      {TaskbarPosition::left, "left", "Left"},
      {TaskbarPosition::right, "right", "Right"},
  }};
};

template <>
struct EnumTable<BatteryIconStyle> {
  static constexpr std::array<EnumCase<BatteryIconStyle>, 3> cases{{
      {BatteryIconStyle::battery, "battery", "Battery"},
      {BatteryIconStyle::bar, "bar", "Bar"},
      {BatteryIconStyle::segments, "segments", "Segments"},
  }};
};

template <>
struct EnumTable<TaskbarStyle> {
  static constexpr std::array<EnumCase<TaskbarStyle>, 2> cases{{
      {TaskbarStyle::iconsOnly, "icons", "Icons Only"},
      {TaskbarStyle::iconsTextRight, "iconsTextRight", "Icons + Text Right"},
  }};
};

template <class E>
concept StringEnumeration = requires {
  EnumTable<E>::cases;
};

template <StringEnumeration E>
constexpr std::string_view rawValue(E value) {
  for (const auto& c : EnumTable<E>::cases)
    if (c.value == value) return c.rawValue;
  return {};
}

template <StringEnumeration E>
constexpr std::string_view displayName(E value) {
  for (const auto& c : EnumTable<E>::cases)
    if (c.value == value) return c.displayName;
  return {};
}

// The case whose raw value is exactly `text` (case-sensitive, nothing trimmed); no fallback.
template <StringEnumeration E>
constexpr std::optional<E> fromRawValue(std::string_view text) {
  for (const auto& c : EnumTable<E>::cases)
    if (c.rawValue == text) return c.value;
  return std::nullopt;
}

template <StringEnumeration E>
constexpr auto allCases() {
  std::array<E, EnumTable<E>::cases.size()> result{};
  for (size_t i = 0; i < result.size(); ++i) result[i] = EnumTable<E>::cases[i].value;
  return result;
}

// The help sentence shown under the multi-monitor selector.
std::string_view explanation(MultiMonitorMode mode);

constexpr bool isHorizontal(TaskbarPosition position) {
  return position == TaskbarPosition::bottom || position == TaskbarPosition::top;
}
constexpr bool isVertical(TaskbarPosition position) {
  return !isHorizontal(position);
}

}  // namespace pelko
