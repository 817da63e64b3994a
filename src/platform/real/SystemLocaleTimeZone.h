#pragma once

#include <memory>
#include <string>

#include "foundation/Subject.h"
#include "platform/LocaleTimeZone.h"

class QFileSystemWatcher;

namespace pelko::real {

// The locale and time zone of Linux. The locale is the one the environment gives time formats
// (LC_ALL, else LC_TIME, else LANG); a running process keeps its environment, so it never changes and
// is never announced. The zone is TZ when set, else the target of <etc>/localtime, else the name in
// <etc>/timezone, else UTC; the configuration folder is watched and a different zone announced.
class SystemLocaleTimeZone final : public platform::LocaleTimeZone {
 public:
  explicit SystemLocaleTimeZone(std::string configurationFolder = "/etc");
  ~SystemLocaleTimeZone() override;
  SystemLocaleTimeZone(const SystemLocaleTimeZone&) = delete;
  SystemLocaleTimeZone& operator=(const SystemLocaleTimeZone&) = delete;

  std::string currentLocaleIdentifier() override;
  std::string systemTimeZoneIdentifier() override;
  Publisher<std::monostate> currentLocaleDidChange() override { return localeChanged_.publisher(); }
  Publisher<std::monostate> systemTimeZoneDidChange() override { return timeZoneChanged_.publisher(); }

 private:
  void configurationChanged();
  void watchFiles();

  std::string folder_;
  std::string lastTimeZone_;
  std::unique_ptr<QFileSystemWatcher> watcher_;
  Subject<std::monostate> localeChanged_;
  Subject<std::monostate> timeZoneChanged_;
};

}  // namespace pelko::real
