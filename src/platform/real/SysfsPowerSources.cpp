#include "platform/real/SysfsPowerSources.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace pelko::real {

namespace {

namespace fs = std::filesystem;
namespace keys = platform::power_source_keys;

// One attribute of a supply, without the line break; nothing when it cannot be read.
std::optional<std::string> attribute(const fs::path& supply, const char* name) {
  std::ifstream in(supply / name);
  std::string value;
  if (!in || !std::getline(in, value)) return std::nullopt;
  while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
  return value;
}

std::optional<int64_t> integerAttribute(const fs::path& supply, const char* name) {
  auto text = attribute(supply, name);
  if (!text || text->empty()) return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

struct Battery {
  std::optional<int64_t> capacity;
  std::string status;
};

}  // namespace

SysfsPowerSources::SysfsPowerSources(std::string folder, bool listenToKernel) : folder_(std::move(folder)) {
  if (!listenToKernel) return;
  eventSocket_ = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  if (eventSocket_ < 0) return;
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = 1;  // the kernel's own device events
  if (::bind(eventSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(eventSocket_);
    eventSocket_ = -1;
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(eventSocket_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { readKernelEvents(); });
}

SysfsPowerSources::~SysfsPowerSources() {
  notifier_.reset();
  if (eventSocket_ >= 0) ::close(eventSocket_);
}

void SysfsPowerSources::readKernelEvents() {
  bool powerSupplyChanged = false;
  char buffer[8192];
  for (;;) {
    const ssize_t length = ::recv(eventSocket_, buffer, sizeof buffer, 0);
    if (length <= 0) break;
    // "action@path", then "KEY=value" fields, each ending in a zero byte.
    const std::string_view message(buffer, static_cast<size_t>(length));
    if (message.find(std::string_view("SUBSYSTEM=power_supply\0", 23)) != std::string_view::npos)
      powerSupplyChanged = true;
  }
  if (powerSupplyChanged) changed_.send(std::monostate{});
}

std::optional<Publisher<std::monostate>> SysfsPowerSources::changeNotifications() {
  if (!notifier_) return std::nullopt;
  return changed_.publisher();
}

std::optional<std::vector<platform::PowerSourceDescription>> SysfsPowerSources::powerSources() {
  std::error_code error;
  std::vector<fs::path> supplies;
  // Stepped with the error_code form: a range-for's step throws when the folder goes away under it.
  for (fs::directory_iterator entry(folder_, error), end; !error && entry != end; entry.increment(error))
    supplies.push_back(entry->path());
  if (error) return std::nullopt;
  std::sort(supplies.begin(), supplies.end());

  std::vector<Battery> batteries;
  bool lineSupplyListed = false;
  bool lineSupplyOnline = false;
  for (const auto& supply : supplies) {
    const std::string type = attribute(supply, "type").value_or("");
    if (type == "Mains" || type == "USB") {
      lineSupplyListed = true;
      if (integerAttribute(supply, "online").value_or(0) == 1) lineSupplyOnline = true;
    } else if (type == "Battery") {
      if (attribute(supply, "scope") == "Device") continue;
      if (integerAttribute(supply, "present") == 0) continue;  // an empty battery bay
      batteries.push_back({integerAttribute(supply, "capacity"), attribute(supply, "status").value_or("")});
    }
  }

  std::vector<platform::PowerSourceDescription> sources;
  for (const auto& battery : batteries) {
    const bool pluggedInStatus = battery.status == "Full" || battery.status == "Not charging";
    const bool onMains =
        lineSupplyOnline || battery.status == "Charging" || (!lineSupplyListed && pluggedInStatus);
    platform::PlistValue::Dictionary description{
        {keys::kType, keys::kInternalBatteryType},
        {keys::kPowerSourceState, onMains ? keys::kACPower : keys::kBatteryPower}};
    if (battery.capacity) description[keys::kCurrentCapacity] = *battery.capacity;
    sources.emplace_back(std::move(description));
  }
  return sources;
}

}  // namespace pelko::real
