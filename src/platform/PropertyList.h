#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pelko::platform {

using PlistData = std::vector<uint8_t>;

// A point in time as the property-list format keeps it: seconds since 2001-01-01 00:00:00 UTC.
struct PlistDate {
  double secondsSinceReferenceDate = 0;
  bool operator==(const PlistDate&) const = default;
};

// One property-list value: Boolean, integer, real, string, data, date, array or dictionary.
class PlistValue {
 public:
  using Array = std::vector<PlistValue>;
  using Dictionary = std::map<std::string, PlistValue>;
  using Storage = std::variant<bool, int64_t, double, std::string, PlistData, PlistDate, Array, Dictionary>;

  PlistValue() : storage_(false) {}
  PlistValue(bool v) : storage_(v) {}                      // NOLINT(google-explicit-constructor)
  PlistValue(int v) : storage_(int64_t{v}) {}              // NOLINT(google-explicit-constructor)
  PlistValue(int64_t v) : storage_(v) {}                   // NOLINT(google-explicit-constructor)
  PlistValue(double v) : storage_(v) {}                    // NOLINT(google-explicit-constructor)
  PlistValue(std::string v) : storage_(std::move(v)) {}    // NOLINT(google-explicit-constructor)
  PlistValue(const char* v) : storage_(std::string(v)) {}  // NOLINT(google-explicit-constructor)
  PlistValue(PlistData v) : storage_(std::move(v)) {}      // NOLINT(google-explicit-constructor)
  PlistValue(PlistDate v) : storage_(v) {}                 // NOLINT(google-explicit-constructor)
  PlistValue(Array v) : storage_(std::move(v)) {}          // NOLINT(google-explicit-constructor)
  PlistValue(Dictionary v) : storage_(std::move(v)) {}     // NOLINT(google-explicit-constructor)

  const Storage& storage() const { return storage_; }

  bool isBool() const { return std::holds_alternative<bool>(storage_); }
  bool isInteger() const { return std::holds_alternative<int64_t>(storage_); }
  bool isReal() const { return std::holds_alternative<double>(storage_); }
  bool isNumber() const { return isInteger() || isReal(); }
  bool isString() const { return std::holds_alternative<std::string>(storage_); }
  bool isData() const { return std::holds_alternative<PlistData>(storage_); }
  bool isDate() const { return std::holds_alternative<PlistDate>(storage_); }
  bool isArray() const { return std::holds_alternative<Array>(storage_); }
  bool isDictionary() const { return std::holds_alternative<Dictionary>(storage_); }

  const bool* asBool() const { return std::get_if<bool>(&storage_); }
  const int64_t* asInteger() const { return std::get_if<int64_t>(&storage_); }
  const double* asReal() const { return std::get_if<double>(&storage_); }
  const std::string* asString() const { return std::get_if<std::string>(&storage_); }
  const PlistData* asData() const { return std::get_if<PlistData>(&storage_); }
  const PlistDate* asDate() const { return std::get_if<PlistDate>(&storage_); }
  const Array* asArray() const { return std::get_if<Array>(&storage_); }
  const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&storage_); }

  // The value of an integer or real as a double; nothing for other kinds.
  std::optional<double> numberValue() const;

  bool operator==(const PlistValue& other) const { return storage_ == other.storage_; }

 private:
  Storage storage_;
};

}  // namespace pelko::platform
