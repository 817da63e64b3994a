#include "platform/real/SystemLocaleTimeZone.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>

#include "ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace pelko::testing {
namespace {

TEST(SystemLocaleTimeZone, LocaleFromTheEnvironmentForTimeFormats) {
  struct Case {
    const char* lcAll;
    const char* lcTime;
    const char* lang;
    const char* locale;
  };
  for (const Case& c :
       {Case{"de_DE.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8", "de_DE"},
        Case{nullptr, "fr_FR.UTF-8@euro", "en_GB.UTF-8", "fr_FR"},
        Case{nullptr, nullptr, "en_GB.UTF-8", "en_GB"}, Case{nullptr, nullptr, "C", "en_US_POSIX"}}) {
    ScopedEnvironment environment;
    for (auto [name, value] : {std::pair{"LC_ALL", c.lcAll}, {"LC_TIME", c.lcTime}, {"LANG", c.lang}})
      environment.set(name, value ? std::optional<std::string>(value) : std::nullopt);
    TempFolder etc;
    real::SystemLocaleTimeZone system(etc.path());
    EXPECT_EQ(system.currentLocaleIdentifier(), c.locale);
  }
}

TEST(SystemLocaleTimeZone, ZoneFromTZThenTheLinkThenTheNameFile) {
  ScopedEnvironment environment;
  TempFolder etc;
  environment.set("TZ", std::nullopt);
  real::SystemLocaleTimeZone system(etc.path());
  EXPECT_EQ(system.systemTimeZoneIdentifier(), "UTC");
  writeWholeFile(etc.file("timezone"), "America/New_York\n");
  EXPECT_EQ(system.systemTimeZoneIdentifier(), "America/New_York");
  std::filesystem::create_symlink("../usr/share/zoneinfo/Europe/Berlin", etc.file("localtime"));
  EXPECT_EQ(system.systemTimeZoneIdentifier(), "Europe/Berlin");
  environment.set("TZ", ":/usr/share/zoneinfo/Asia/Tokyo");
  EXPECT_EQ(system.systemTimeZoneIdentifier(), "Asia/Tokyo");
}

// The one test here that waits for the system (file notifications), with a real-time limit.
TEST(SystemLocaleTimeZone, AnnouncesAReplacedZoneLink) {
  ScopedEnvironment environment;
  environment.set("TZ", std::nullopt);
  TempFolder etc;
  std::filesystem::create_symlink("/usr/share/zoneinfo/Europe/Berlin", etc.file("localtime"));
  real::SystemLocaleTimeZone system(etc.path());
  int announced = 0;
  auto subscription = system.systemTimeZoneDidChange().sink([&](const std::monostate&) { ++announced; });
  // Replaced the way system tools do it: a new link renamed over the old one.
  std::filesystem::create_symlink("/usr/share/zoneinfo/Asia/Tokyo", etc.file("localtime.new"));
  std::filesystem::rename(etc.file("localtime.new"), etc.file("localtime"));
  QElapsedTimer elapsed;
  elapsed.start();
  while (announced == 0 && elapsed.elapsed() < 3000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(announced, 1);
  EXPECT_EQ(system.systemTimeZoneIdentifier(), "Asia/Tokyo");
}

}  // namespace
}  // namespace pelko::testing
