// pelko-sim-defaults: stands in for the macOS `defaults` tool on Linux, acting on preference domains
// kept as XML property lists in the folder named by PELKO_SIM_DOCK_DIR (see SimDockFolder.h for the
// folder's layout and the fault-injection variables). It never touches anything outside that folder.
//
//   pelko-sim-defaults read DOMAIN [KEY]
//       prints the value and exits 0. Booleans print as 1 or 0, reals in their shortest exact decimal
//       form ("1000000", "0.0001"), strings as they are. A missing key prints "The domain/default pair
//       of (DOMAIN, KEY) does not exist" to standard error and exits 1; a missing domain prints
//       "Domain DOMAIN does not exist" and exits 1.
//   pelko-sim-defaults write DOMAIN KEY [-bool|-boolean|-float|-int|-integer|-string] VALUE
//       stores the value and exits 0 (no type means a string). -bool takes TRUE, FALSE, YES or NO in
//       any case; -float and -int take a number written in full. A value the type rejects exits 1.
//   pelko-sim-defaults delete DOMAIN KEY
//       removes the key and exits 0; a key or domain that does not exist prints "Domain (DOMAIN) not
//       found." and "Defaults have not been changed." to standard error and exits 1.
// Any other use prints the usage and exits 1; a domain file that cannot be read is reported and left
// exactly as it is (exit 1).

#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tools/SimDockFolder.h"

namespace {

using pelko::platform::PlistValue;
using pelko::tools::SimDockFolder;

constexpr const char* kUsage =
    "usage: pelko-sim-defaults read DOMAIN [KEY]\n"
    "       pelko-sim-defaults write DOMAIN KEY [-bool|-float|-int|-string] VALUE\n"
    "       pelko-sim-defaults delete DOMAIN KEY\n";

std::string realText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[512];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (error != std::errc()) {
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
  }
  return std::string(buffer, end);
}

bool isBareWord(const std::string& text) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    if (!(std::isalnum(c) || c == '.' || c == '_' || c == '-')) return false;
  }
  return true;
}

std::string quotedIfNeeded(const std::string& text) {
  if (isBareWord(text)) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string describe(const PlistValue& value, int depth, bool topLevel);

std::string indent(int depth) {
  return std::string(static_cast<size_t>(depth) * 4, ' ');
}

std::string describe(const PlistValue& value, int depth, bool topLevel) {
  if (auto b = value.asBool()) return *b ? "1" : "0";
  if (auto i = value.asInteger()) return std::to_string(*i);
  if (auto r = value.asReal()) return realText(*r);
  if (auto s = value.asString()) return topLevel ? *s : quotedIfNeeded(*s);
  if (auto d = value.asData()) {
    std::string out = "{length = " + std::to_string(d->size()) + ", bytes = 0x";
    char hex[3];
    for (uint8_t byte : *d) {
      std::snprintf(hex, sizeof hex, "%02x", byte);
      out += hex;
    }
    return out + "}";
  }
  if (auto date = value.asDate()) {
    // Seconds since 2001-01-01 00:00:00 UTC, shown as a UTC time stamp.
    std::time_t t = static_cast<std::time_t>(std::floor(date->secondsSinceReferenceDate)) + 978307200;
    std::tm parts{};
    gmtime_r(&t, &parts);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts);
    return buffer;
  }
  if (auto array = value.asArray()) {
    std::string out = "(\n";
    for (size_t i = 0; i < array->size(); ++i) {
      out += indent(depth + 1) + describe((*array)[i], depth + 1, false);
      out += i + 1 < array->size() ? ",\n" : "\n";
    }
    return out + indent(depth) + ")";
  }
  if (auto dictionary = value.asDictionary()) {
    std::string out = "{\n";
    for (const auto& [key, item] : *dictionary) {
      out += indent(depth + 1) + quotedIfNeeded(key) + " = " + describe(item, depth + 1, false) + ";\n";
    }
    return out + indent(depth) + "}";
  }
  return "";
}

std::string lowered(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value a `write` stores, or nothing (and a message) when the text does not fit the type.
std::optional<PlistValue> parseTypedValue(const std::string& type, const std::string& text,
                                          std::string& error) {
  if (type == "-string") return PlistValue(text);
  if (type == "-bool" || type == "-boolean") {
    std::string word = lowered(text);
    if (word == "true" || word == "yes") return PlistValue(true);
    if (word == "false" || word == "no") return PlistValue(false);
    error = "Value for -bool must be TRUE, FALSE, YES or NO: " + text;
    return std::nullopt;
  }
  if (type == "-float") {
    double number = 0;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || status != std::errc() || end != text.data() + text.size()) {
      error = "Value for -float is not a number: " + text;
      return std::nullopt;
    }
    return PlistValue(number);
  }
  if (type == "-int" || type == "-integer") {
    int64_t number = 0;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || status != std::errc() || end != text.data() + text.size()) {
      error = "Value for -int is not an integer: " + text;
      return std::nullopt;
    }
    return PlistValue(number);
  }
  error = "Unknown type " + type;
  return std::nullopt;
}

int usage() {
  std::fputs(kUsage, stderr);
  return 1;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return 1;
}

int readCommand(const SimDockFolder& folder, const std::vector<std::string>& args) {
  const std::string& domain = args[1];
  SimDockFolder::DomainLock lock(folder, domain, false);
  auto loaded = folder.loadDomain(domain);
  if (loaded.status == SimDockFolder::LoadStatus::unreadable) return fail(loaded.error);
  if (loaded.status == SimDockFolder::LoadStatus::missing)
    return fail("Domain " + domain + " does not exist");
  if (args.size() == 2) {
    std::printf("%s\n", describe(PlistValue(loaded.values), 0, true).c_str());
    return 0;
  }
  auto it = loaded.values.find(args[2]);
  if (it == loaded.values.end()) {
    return fail("\nThe domain/default pair of (" + domain + ", " + args[2] + ") does not exist");
  }
  std::string text = describe(it->second, 0, true);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

int writeCommand(const SimDockFolder& folder, const std::vector<std::string>& args) {
  const std::string& domain = args[1];
  std::string type = args.size() == 5 ? args[3] : "-string";
  std::string error;
  auto value = parseTypedValue(type, args.back(), error);
  if (!value) return fail(error);

  SimDockFolder::DomainLock lock(folder, domain, true);
  if (!lock.held()) return fail("cannot lock the domain " + domain);
  auto loaded = folder.loadDomain(domain);
  if (loaded.status == SimDockFolder::LoadStatus::unreadable) return fail(loaded.error);
  loaded.values[args[2]] = *value;
  if (!folder.saveDomain(domain, loaded.values, error)) return fail(error);
  return 0;
}

int deleteCommand(const SimDockFolder& folder, const std::vector<std::string>& args) {
  const std::string& domain = args[1];
  SimDockFolder::DomainLock lock(folder, domain, true);
  if (!lock.held()) return fail("cannot lock the domain " + domain);
  auto loaded = folder.loadDomain(domain);
  if (loaded.status == SimDockFolder::LoadStatus::unreadable) return fail(loaded.error);
  if (loaded.status == SimDockFolder::LoadStatus::missing || !loaded.values.erase(args[2])) {
    return fail("\nDomain (" + domain + ") not found.\nDefaults have not been changed.");
  }
  std::string error;
  if (!folder.saveDomain(domain, loaded.values, error)) return fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto folder = SimDockFolder::fromEnvironment(error);
  if (!folder) return fail("pelko-sim-defaults: " + error);

  std::vector<std::string> words{"defaults"};
  words.insert(words.end(), args.begin(), args.end());
  folder->beginRun(words);

  if (args.size() < 2) return usage();
  if (!SimDockFolder::isValidDomainName(args[1])) return fail("Invalid domain name: " + args[1]);
  const std::string& command = args[0];
  if (command == "read" && (args.size() == 2 || args.size() == 3)) return readCommand(*folder, args);
  if (command == "write" && (args.size() == 4 || args.size() == 5)) return writeCommand(*folder, args);
  if (command == "delete" && args.size() == 3) return deleteCommand(*folder, args);
  return usage();
}
