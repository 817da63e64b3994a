#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <map>
#include <optional>
#include <string>

namespace pelko::testing {

// Sets or clears environment variables for one test and puts the old values back at the end.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) apply(name.c_str(), value);
  }

  // Nothing clears the variable.
  void set(const char* name, std::optional<std::string> value) {
    if (!saved_.count(name))
      saved_[name] =
          qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name).toStdString()) : std::nullopt;
    apply(name, value);
  }

 private:
  static void apply(const char* name, const std::optional<std::string>& value) {
    if (value)
      qputenv(name, QByteArray::fromStdString(*value));
    else
      qunsetenv(name);
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace pelko::testing
