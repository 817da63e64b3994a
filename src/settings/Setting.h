#pragma once

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "foundation/Published.h"
#include "foundation/Subject.h"

namespace pelko {

class SettingsManager;

// Inclusive bounds of a numeric setting.
struct NumericRange {
  double lower;
  double upper;
};

// The part of a setting that does not depend on its value type: its name and its defaults key.
class SettingBase {
 public:
  virtual ~SettingBase() = default;
  SettingBase(const SettingBase&) = delete;
  SettingBase& operator=(const SettingBase&) = delete;

  // The member name ("taskbarSize") and the defaults key ("PelkoTaskbarSize").
  const std::string& name() const { return name_; }
  const std::string& key() const { return key_; }
  // The defaults key of the setting named `name`.
  static std::string keyFor(const std::string& name) {
    std::string key = "Pelko" + name;
    if (key.size() > 5 && key[5] >= 'a' && key[5] <= 'z') key[5] = static_cast<char>(key[5] - 'a' + 'A');
    return key;
  }

  // Assigns the setting's default through the full assignment sequence.
  virtual void assignDefault() = 0;

 protected:
  explicit SettingBase(std::string name) : name_(std::move(name)), key_(keyFor(name_)) {}

 private:
  std::string name_;
  std::string key_;
};

// One user setting: a published value with a default and a change rule. Every assignment, whoever
// makes it, runs one sequence: the owner's will-change subject fires, the publisher delivers the new
// value (before the setting holds it), the value is stored, then the change rule runs with the value the
// setting held before. A rule that corrects the value assigns again, so subscribers can see two values
// for one assignment; the rule alone writes the defaults store.
template <class T>
class Setting final : public SettingBase {
 public:
  using Rule = std::function<void(Setting&, const T& previous)>;
  using DefaultValue = std::function<T()>;

  Setting(std::string name, const Subject<std::monostate>& willChange, DefaultValue defaultValue, Rule rule,
          std::optional<NumericRange> range = std::nullopt)
      : SettingBase(std::move(name)),
        willChange_(willChange),
        defaultValue_(std::move(defaultValue)),
        rule_(std::move(rule)),
        range_(range),
        value_(defaultValue_()) {}

  const T& get() const { return value_.get(); }
  operator const T&() const { return value_.get(); }  // NOLINT: reads like the property it stands for

  void set(T value) {
    if constexpr (std::is_floating_point_v<T>) {
      // A non-number would never compare equal to its own clamp; subscribers get the default instead.
      if (!std::isfinite(value)) value = defaultValue_();
    }
    T previous = value_.get();
    willChange_.send(std::monostate{});
    value_.set(std::move(value));
    if (rule_) rule_(*this, previous);
  }
  Setting& operator=(T value) {
    set(std::move(value));
    return *this;
  }

  // Mutates a copy where it stands and assigns the result, change rule included.
  template <class F>
  void modify(F&& mutate) {
    T value = get();
    std::forward<F>(mutate)(value);
    set(std::move(value));
  }

  // Delivers the current value on subscription, then every assigned value.
  Publisher<T> publisher() const { return value_.publisher(); }

  T defaultValue() const { return defaultValue_(); }
  // The bounds of a numeric setting; nothing for the others.
  const std::optional<NumericRange>& range() const { return range_; }

  void assignDefault() override { set(defaultValue_()); }

 private:
  friend class SettingsManager;
  // The value read at construction: not announced, not persisted, no rule.
  void setInitial(T value) { value_.setInitial(std::move(value)); }

  const Subject<std::monostate>& willChange_;
  DefaultValue defaultValue_;
  Rule rule_;
  std::optional<NumericRange> range_;
  Published<T> value_;
};

}  // namespace pelko
