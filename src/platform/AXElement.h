#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/Geometry.h"

namespace pelko::platform {

// The Accessibility interface's result codes.
enum class AXError : int32_t {
  success = 0,
  failure = -25200,
  illegalArgument = -25201,
  invalidUIElement = -25202,
  invalidUIElementObserver = -25203,
  cannotComplete = -25204,  // also what a messaging time-out reports
  attributeUnsupported = -25205,
  actionUnsupported = -25206,
  notificationUnsupported = -25207,
  notImplemented = -25208,
  notificationAlreadyRegistered = -25209,
  notificationNotRegistered = -25210,
  apiDisabled = -25211,  // this process is not trusted for Accessibility
  noValue = -25212,
  parameterizedAttributeUnsupported = -25213,
  notEnoughPrecision = -25214,
};

// The code as a signed decimal number, the way diagnostics print it.
inline int32_t code(AXError error) {
  return static_cast<int32_t>(error);
}

// What an element handle refers to. Implementations decide identity: two references to the same
// interface object must compare equal and hash alike, however often it is asked for.
class AXElementRef {
 public:
  virtual ~AXElementRef() = default;
  // The owning process; 0 when it cannot be told.
  virtual int32_t processIdentifier() const = 0;
  virtual size_t hash() const = 0;
  virtual bool isEqual(const AXElementRef& other) const = 0;
};

// An Accessibility element: an application, one of its windows, or a part of a window such as its
// close button. A shared reference (copies denote the same object); equality and hashing are by the
// interface object it denotes, so the same window yields equal elements whenever it is asked for.
class AXElement {
 public:
  AXElement() = default;
  explicit AXElement(std::shared_ptr<const AXElementRef> ref) : ref_(std::move(ref)) {}

  bool isNull() const { return !ref_; }
  explicit operator bool() const { return static_cast<bool>(ref_); }
  // The owning process; 0 for a null element.
  int32_t pid() const { return ref_ ? ref_->processIdentifier() : 0; }
  size_t hash() const { return ref_ ? ref_->hash() : 0; }
  const AXElementRef* ref() const { return ref_.get(); }

  friend bool operator==(const AXElement& a, const AXElement& b) {
    if (a.ref_ == b.ref_) return true;
    if (!a.ref_ || !b.ref_) return false;
    return a.ref_->isEqual(*b.ref_);
  }

 private:
  std::shared_ptr<const AXElementRef> ref_;
};

struct AXElementHash {
  size_t operator()(const AXElement& element) const { return element.hash(); }
};

// One attribute value: Boolean, number, string, point or size (the interface's wrapped geometry
// values, in window-server coordinates), an element, or a list of elements.
class AXValue {
 public:
  using Storage =
      std::variant<bool, int64_t, double, std::string, Point, Size, AXElement, std::vector<AXElement>>;

  AXValue(bool v) : storage_(v) {}                               // NOLINT(google-explicit-constructor)
  AXValue(int64_t v) : storage_(v) {}                            // NOLINT(google-explicit-constructor)
  AXValue(int v) : storage_(int64_t{v}) {}                       // NOLINT(google-explicit-constructor)
  AXValue(double v) : storage_(v) {}                             // NOLINT(google-explicit-constructor)
  AXValue(std::string v) : storage_(std::move(v)) {}             // NOLINT(google-explicit-constructor)
  AXValue(const char* v) : storage_(std::string(v)) {}           // NOLINT(google-explicit-constructor)
  AXValue(Point v) : storage_(v) {}                              // NOLINT(google-explicit-constructor)
  AXValue(Size v) : storage_(v) {}                               // NOLINT(google-explicit-constructor)
  AXValue(AXElement v) : storage_(std::move(v)) {}               // NOLINT(google-explicit-constructor)
  AXValue(std::vector<AXElement> v) : storage_(std::move(v)) {}  // NOLINT(google-explicit-constructor)

  const Storage& storage() const { return storage_; }

  const bool* asBool() const { return std::get_if<bool>(&storage_); }
  const int64_t* asInteger() const { return std::get_if<int64_t>(&storage_); }
  const double* asReal() const { return std::get_if<double>(&storage_); }
  const std::string* asString() const { return std::get_if<std::string>(&storage_); }
  const Point* asPoint() const { return std::get_if<Point>(&storage_); }
  const Size* asSize() const { return std::get_if<Size>(&storage_); }
  const AXElement* asElement() const { return std::get_if<AXElement>(&storage_); }
  const std::vector<AXElement>* asElements() const { return std::get_if<std::vector<AXElement>>(&storage_); }

  // True only for the Boolean true; false, other kinds and numbers are not "true".
  bool isTrue() const { return asBool() && *asBool(); }

  bool operator==(const AXValue& other) const { return storage_ == other.storage_; }

 private:
  Storage storage_;
};

// The outcome of copying an attribute: an error code, and on success the value (which may be absent).
struct AXCopyResult {
  AXError error = AXError::success;
  std::optional<AXValue> value;

  bool ok() const { return error == AXError::success; }
};

// The outcome of asking for the window-server number of a window element.
struct AXWindowNumberResult {
  AXError error = AXError::success;
  uint32_t windowNumber = 0;

  bool ok() const { return error == AXError::success; }
};

// Attribute, action, role and notification names of the Accessibility interface.
namespace ax {
// Attributes.
inline constexpr std::string_view kRole = "AXRole";
inline constexpr std::string_view kSubrole = "AXSubrole";
inline constexpr std::string_view kTitle = "AXTitle";
inline constexpr std::string_view kPosition = "AXPosition";
inline constexpr std::string_view kSize = "AXSize";
inline constexpr std::string_view kMinimized = "AXMinimized";
inline constexpr std::string_view kMain = "AXMain";
inline constexpr std::string_view kFocused = "AXFocused";
inline constexpr std::string_view kFullScreen = "AXFullScreen";
inline constexpr std::string_view kWindows = "AXWindows";
inline constexpr std::string_view kMainWindow = "AXMainWindow";
inline constexpr std::string_view kFocusedWindow = "AXFocusedWindow";
inline constexpr std::string_view kFrontmost = "AXFrontmost";
inline constexpr std::string_view kHidden = "AXHidden";
inline constexpr std::string_view kCloseButton = "AXCloseButton";
inline constexpr std::string_view kMinimizeButton = "AXMinimizeButton";
inline constexpr std::string_view kZoomButton = "AXZoomButton";
inline constexpr std::string_view kFullScreenButton = "AXFullScreenButton";
inline constexpr std::string_view kParent = "AXParent";
inline constexpr std::string_view kWindow = "AXWindow";  // also a role

// Roles and subroles.
inline constexpr std::string_view kApplicationRole = "AXApplication";
inline constexpr std::string_view kWindowRole = "AXWindow";
inline constexpr std::string_view kButtonRole = "AXButton";
inline constexpr std::string_view kStandardWindowSubrole = "AXStandardWindow";
inline constexpr std::string_view kDialogSubrole = "AXDialog";
inline constexpr std::string_view kFloatingWindowSubrole = "AXFloatingWindow";
inline constexpr std::string_view kSystemDialogSubrole = "AXSystemDialog";
inline constexpr std::string_view kCloseButtonSubrole = "AXCloseButton";

// Actions.
inline constexpr std::string_view kRaiseAction = "AXRaise";
inline constexpr std::string_view kPressAction = "AXPress";

// Notifications.
inline constexpr std::string_view kUIElementDestroyedNotification = "AXUIElementDestroyed";
inline constexpr std::string_view kTitleChangedNotification = "AXTitleChanged";
inline constexpr std::string_view kWindowCreatedNotification = "AXWindowCreated";
inline constexpr std::string_view kWindowMovedNotification = "AXWindowMoved";
inline constexpr std::string_view kWindowResizedNotification = "AXWindowResized";
inline constexpr std::string_view kWindowMiniaturizedNotification = "AXWindowMiniaturized";
inline constexpr std::string_view kWindowDeminiaturizedNotification = "AXWindowDeminiaturized";
inline constexpr std::string_view kFocusedWindowChangedNotification = "AXFocusedWindowChanged";
inline constexpr std::string_view kMainWindowChangedNotification = "AXMainWindowChanged";
inline constexpr std::string_view kApplicationActivatedNotification = "AXApplicationActivated";
inline constexpr std::string_view kApplicationDeactivatedNotification = "AXApplicationDeactivated";
inline constexpr std::string_view kApplicationHiddenNotification = "AXApplicationHidden";
inline constexpr std::string_view kApplicationShownNotification = "AXApplicationShown";
}  // namespace ax

}  // namespace pelko::platform

template <>
struct std::hash<pelko::platform::AXElement> {
  size_t operator()(const pelko::platform::AXElement& element) const { return element.hash(); }
};
