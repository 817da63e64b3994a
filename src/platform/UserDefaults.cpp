#include "platform/UserDefaults.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace pelko::platform {

namespace {
std::string numberText(const PlistValue& value) {
  if (auto i = value.asInteger()) return std::to_string(*i);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", *value.asReal());
  return buffer;
}
}  // namespace

void UserDefaults::registerDefaults(const PlistValue::Dictionary& defaults) {
  for (const auto& [key, value] : defaults) registered_[key] = value;
}

std::optional<PlistValue> UserDefaults::objectForKey(const std::string& key) const {
  if (auto stored = storedObject(key)) return stored;
  if (auto it = registered_.find(key); it != registered_.end()) return it->second;
  return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
  auto value = objectForKey(key);
  if (!value) return std::nullopt;
  if (auto s = value->asString()) return *s;
  if (value->isNumber()) return numberText(*value);
  return std::nullopt;
}

std::optional<PlistData> UserDefaults::dataForKey(const std::string& key) const {
  auto value = objectForKey(key);
  if (value && value->isData()) return *value->asData();
  return std::nullopt;
}

std::optional<PlistValue::Array> UserDefaults::arrayForKey(const std::string& key) const {
  auto value = objectForKey(key);
  if (value && value->isArray()) return *value->asArray();
  return std::nullopt;
}

bool UserDefaults::boolForKey(const std::string& key) const {
  auto value = objectForKey(key);
  if (!value) return false;
  if (auto b = value->asBool()) return *b;
  if (auto n = value->numberValue()) return *n != 0;
  if (auto s = value->asString()) return *s == "YES" || *s == "true" || *s == "1";
  return false;
}

double UserDefaults::doubleForKey(const std::string& key) const {
  auto value = objectForKey(key);
  if (!value) return 0;
  if (auto b = value->asBool()) return *b ? 1 : 0;
  if (auto n = value->numberValue()) return *n;
  if (auto s = value->asString()) {
    double result = 0;
    auto [end, error] = std::from_chars(s->data(), s->data() + s->size(), result);
    if (error == std::errc() && end == s->data() + s->size()) return result;
  }
  return 0;
}

bool UserDefaults::setObjectOnTheWayOut(const std::string& key, PlistValue value) {
  store(key, std::move(value));
  return true;
}

bool UserDefaults::synchronizeOnTheWayOut() {
  return synchronize();
}

}  // namespace pelko::platform
