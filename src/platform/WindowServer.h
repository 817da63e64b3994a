#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "platform/PropertyList.h"

namespace pelko::platform {

using WindowID = uint32_t;   // a window-server window number
using DisplayID = uint32_t;  // a display identifier
inline constexpr WindowID kNullWindowID = 0;

enum class CGError : int32_t {
  success = 0,
  failure = 1000,
  illegalArgument = 1001,
  noneAvailable = 1011,
};

// Options of the window list (a bit set).
enum WindowListOption : uint32_t {
  kWindowListOptionAll = 0,
  kWindowListOptionOnScreenOnly = 1,
  kWindowListOptionOnScreenAboveWindow = 2,
  kWindowListOptionOnScreenBelowWindow = 4,
  kWindowListOptionIncludingWindow = 8,
  kWindowListExcludeDesktopElements = 16,
};

// Keys of one window-list entry. Numbers are integers (the alpha a real); the bounds are a dictionary
// with "X", "Y", "Width" and "Height" in window-server coordinates. The name is present only when the
// window has one and this process may read it; "on screen" only when the window is on screen.
namespace window_key {
inline constexpr const char* kNumber = "kCGWindowNumber";
inline constexpr const char* kStoreType = "kCGWindowStoreType";
inline constexpr const char* kLayer = "kCGWindowLayer";
inline constexpr const char* kBounds = "kCGWindowBounds";
inline constexpr const char* kSharingState = "kCGWindowSharingState";
inline constexpr const char* kAlpha = "kCGWindowAlpha";
inline constexpr const char* kOwnerPID = "kCGWindowOwnerPID";
inline constexpr const char* kMemoryUsage = "kCGWindowMemoryUsage";
inline constexpr const char* kOwnerName = "kCGWindowOwnerName";
inline constexpr const char* kName = "kCGWindowName";
inline constexpr const char* kIsOnscreen = "kCGWindowIsOnscreen";
}  // namespace window_key

// Window layers of interest (window levels as the window server numbers them).
namespace window_layer {
inline constexpr int kDesktop = -2147483623;
inline constexpr int kNormal = 0;
inline constexpr int kFloating = 3;
inline constexpr int kDock = 20;
inline constexpr int kMainMenu = 24;
inline constexpr int kStatus = 25;
inline constexpr int kPopUpMenu = 101;
inline constexpr int kScreenSaver = 1000;
}  // namespace window_layer

using WindowInfo = PlistValue::Dictionary;

// The keys of one window-list entry that deciding which windows count needs, read out of it: each is
// absent when the entry lacks the key or holds something else there (an owner outside the pid range,
// bounds that are not a rectangle).
struct WindowListRow {
  std::optional<int32_t> ownerPID;
  std::optional<int64_t> layer;
  std::optional<int64_t> number;
  std::optional<Rect> bounds;
  std::optional<std::string> name;
  bool operator==(const WindowListRow&) const = default;
};

// The entry read into its row.
inline WindowListRow decodeWindowListRow(const WindowInfo& entry);

// A picture of a window: premultiplied ARGB pixels (0xAARRGGBB), rows from the top, `width` per row.
// A plain value, so that it may be made and passed around off the main thread.
struct WindowImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

struct DisplayListResult {
  CGError error = CGError::success;
  std::vector<DisplayID> displays;
};

// The window server: the list of windows, front to back, and the displays. Callable from any thread.
class WindowServer {
 public:
  virtual ~WindowServer() = default;

  // The window list with `options` relative to `relativeToWindow` (kNullWindowID: none), front to back;
  // nothing when the window server does not answer.
  virtual std::optional<std::vector<WindowInfo>> copyWindowInfo(uint32_t options,
                                                                WindowID relativeToWindow) = 0;
  // The same list, each entry read into its row. A window server that keeps its windows as data
  // answers this without building every entry's dictionary, which dominates a pass over many windows.
  virtual std::optional<std::vector<WindowListRow>> copyWindowListRows(uint32_t options,
                                                                       WindowID relativeToWindow) {
    auto list = copyWindowInfo(options, relativeToWindow);
    if (!list) return std::nullopt;
    std::vector<WindowListRow> rows;
    rows.reserve(list->size());
    for (const auto& entry : *list) rows.push_back(decodeWindowListRow(entry));
    return rows;
  }

  // A picture of one window at its best resolution (its bounds times its display's scale), without its
  // frame; nothing when the window does not exist or cannot be captured.
  virtual std::optional<WindowImage> createWindowImage(WindowID /*window*/) { return std::nullopt; }

  // The online displays; the main display first.
  virtual DisplayListResult onlineDisplayList() = 0;
  // A display's bounds in window-server coordinates (the main display's origin is (0, 0)); an empty
  // rectangle for an unknown display.
  virtual Rect displayBounds(DisplayID display) = 0;
  virtual DisplayID mainDisplayID() = 0;
};

// A rectangle as the window list encodes it, and back. Decoding fails unless all four keys hold numbers.
inline PlistValue::Dictionary rectDictionary(const Rect& rect) {
  return {
      {"X", rect.origin.x}, {"Y", rect.origin.y}, {"Width", rect.size.width}, {"Height", rect.size.height}};
}
inline std::optional<Rect> rectFromDictionary(const PlistValue::Dictionary& dictionary) {
  double values[4];
  const char* keys[4] = {"X", "Y", "Width", "Height"};
  for (int i = 0; i < 4; ++i) {
    auto it = dictionary.find(keys[i]);
    if (it == dictionary.end()) return std::nullopt;
    auto number = it->second.numberValue();
    if (!number) return std::nullopt;
    values[i] = *number;
  }
  return Rect(values[0], values[1], values[2], values[3]);
}

inline WindowListRow decodeWindowListRow(const WindowInfo& entry) {
  // The keys are built once: the dictionary's lookup takes a std::string.
  static const std::string ownerPIDKey = window_key::kOwnerPID, layerKey = window_key::kLayer,
                           numberKey = window_key::kNumber, nameKey = window_key::kName,
                           boundsKey = window_key::kBounds;
  auto find = [&entry](const std::string& key) -> const PlistValue* {
    auto it = entry.find(key);
    return it == entry.end() ? nullptr : &it->second;
  };
  WindowListRow row;
  if (const PlistValue* value = find(ownerPIDKey)) {
    if (const int64_t* pid = value->asInteger();
        pid && *pid >= std::numeric_limits<int32_t>::min() && *pid <= std::numeric_limits<int32_t>::max())
      row.ownerPID = static_cast<int32_t>(*pid);
  }
  if (const PlistValue* value = find(layerKey)) {
    if (const int64_t* layer = value->asInteger()) row.layer = *layer;
  }
  if (const PlistValue* value = find(numberKey)) {
    if (const int64_t* number = value->asInteger()) row.number = *number;
  }
  if (const PlistValue* value = find(nameKey)) {
    if (const std::string* name = value->asString()) row.name = *name;
  }
  if (const PlistValue* value = find(boundsKey)) {
    if (const auto* dictionary = value->asDictionary()) row.bounds = rectFromDictionary(*dictionary);
  }
  return row;
}

}  // namespace pelko::platform
