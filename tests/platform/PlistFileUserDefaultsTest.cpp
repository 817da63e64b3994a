#include "platform/real/PlistFileUserDefaults.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <mutex>
#include <thread>

#include "ScopedEnvironment.h"
#include "foundation/VirtualScheduler.h"
#include "platform/PlistXml.h"
#include "platform/real/RealScheduler.h"
#include "support/PlistFileUserDefaultsTestAccess.h"
#include "support/TempFolder.h"

namespace pelko::real {
namespace {

using pelko::testing::readWholeFile;
using pelko::testing::TempFolder;
using pelko::testing::writeWholeFile;
using platform::PlistData;
using platform::PlistDate;
using platform::PlistValue;
using Dict = PlistValue::Dictionary;
using Array = PlistValue::Array;

constexpr const char* kDomain = "com.pelko.test";

class PlistFileUserDefaultsTest : public ::testing::Test {
 protected:
  // A store that has read its file, as the running copy's has; what it found is in `reading`.
  std::unique_ptr<PlistFileUserDefaults> open(const PlistFileUserDefaults::EntryCheck& check = {}) {
    auto defaults = std::make_unique<PlistFileUserDefaults>(scheduler, folder.path(), kDomain, check);
    reading = defaults->read();
    return defaults;
  }
  std::string file() const { return folder.file(std::string(kDomain) + ".plist"); }
  // What the file holds now, read independently of the store.
  Dict onDisk() const {
    std::string error;
    auto parsed = platform::parsePlistXml(readWholeFile(file()), &error);
    EXPECT_TRUE(parsed && parsed->isDictionary()) << error;
    return parsed && parsed->isDictionary() ? *parsed->asDictionary() : Dict{};
  }

  VirtualScheduler scheduler;
  TempFolder folder;
  PlistFileUserDefaults::Reading reading;
};

using Found = PlistFileUserDefaults::Reading::Found;

TEST_F(PlistFileUserDefaultsTest, EveryKindReadsBackAfterReopening) {
  // clang-format off
  const Dict values{{"bool", true}, {"int", std::numeric_limits<int64_t>::min()}, {"real", 0.25}, {"nan", std::numeric_limits<double>::infinity()},
                    {"string", "caf\xC3\xA9 <&> \x01"}, {"data", PlistData{0, 255}}, {"date", PlistDate{86'400}},
                    {"array", Array{1, "two", Array{}, Dict{}}}, {"dict", Dict{{"inner", Dict{{"x", 1.5}}}}}};
  // clang-format on
  {
    auto defaults = open();
    defaults->registerDefaults({{"registered", "only in memory"}});
    for (const auto& [key, value] : values) defaults->setObject(key, value);
    defaults->setBool("gone", true);
    defaults->removeObject("gone");
    EXPECT_TRUE(defaults->synchronize());
  }
  auto reopened = open();
  EXPECT_EQ(reopened->storedDictionary(), values);
  EXPECT_FALSE(reopened->objectForKey("registered"));
  EXPECT_EQ(onDisk(), values);
}

TEST_F(PlistFileUserDefaultsTest, CreatesItsFolderOnTheFirstWrite) {
  const std::string nested = folder.file("config/pelko");
  PlistFileUserDefaults defaults(scheduler, nested, kDomain);
  defaults.read();
  EXPECT_FALSE(std::filesystem::exists(nested));  // reading alone writes nothing
  defaults.setDouble("x", 2);
  EXPECT_TRUE(defaults.synchronize());
  EXPECT_EQ(defaults.path(), nested + "/" + kDomain + ".plist");
  EXPECT_TRUE(std::filesystem::exists(defaults.path()));
}

TEST_F(PlistFileUserDefaultsTest, ABurstOfChangesIsWrittenOnceWithinTheFlushDelay) {
  auto defaults = open();
  for (int i = 0; i < 100; ++i) defaults->setObject("count", i);
  EXPECT_EQ(defaults->fileWriteCount(), 0);  // nothing is written on the caller's thread
  EXPECT_FALSE(std::filesystem::exists(file()));
  scheduler.advance(PlistFileUserDefaults::kFlushDelay - 0.01);
  EXPECT_EQ(defaults->fileWriteCount(), 0);
  scheduler.advance(0.01);
  EXPECT_EQ(defaults->fileWriteCount(), 1);
  EXPECT_EQ(onDisk(), (Dict{{"count", 99}}));
  scheduler.advance(10);
  EXPECT_EQ(defaults->fileWriteCount(), 1);
}

TEST_F(PlistFileUserDefaultsTest, AContinuousStreamOfChangesStillReachesTheFileRegularly) {
  auto defaults = open();
  for (int i = 1; i <= 40; ++i) {
    defaults->setObject("tick", i);
    scheduler.advance(0.1);
    // The file never lags more than the flush delay behind.
    if (i >= 5) {
      EXPECT_GE(*onDisk().at("tick").asInteger(), i - 5) << "after change " << i;
    }
  }
  EXPECT_GE(defaults->fileWriteCount(), 7);
  EXPECT_LE(defaults->fileWriteCount(), 9);
}

TEST_F(PlistFileUserDefaultsTest, SynchronizeWritesAtOnceAndUnchangedValuesCauseNoWrite) {
  auto defaults = open();
  EXPECT_TRUE(defaults->synchronize());  // nothing to write is a success
  EXPECT_EQ(defaults->fileWriteCount(), 0);
  defaults->setObject("a", 1);
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_EQ(defaults->fileWriteCount(), 1);
  EXPECT_EQ(onDisk(), (Dict{{"a", 1}}));
  EXPECT_TRUE(defaults->synchronize());
  defaults->setObject("a", 1);
  defaults->removeObject("never set");
  scheduler.advance(5);  // the pending flush has nothing left to do
  EXPECT_EQ(defaults->fileWriteCount(), 1);
}

TEST_F(PlistFileUserDefaultsTest, DestructionWritesPendingChanges) {
  open()->setObject("kept", "yes");
  EXPECT_EQ(onDisk(), (Dict{{"kept", "yes"}}));
  scheduler.runAll();  // the orphaned flush finds its store gone and does nothing
}

TEST_F(PlistFileUserDefaultsTest, AFailedWriteIsReportedAndRetriedWithTheChangesKept) {
  const std::string blocker = folder.file("blocker");
  writeWholeFile(blocker, "a file where the folder should be");
  PlistFileUserDefaults defaults(scheduler, blocker, kDomain);
  defaults.read();
  defaults.setObject("a", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(defaults.synchronize());
  scheduler.advance(1);
  EXPECT_FALSE(defaults.synchronize());
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find(defaults.path()), std::string::npos) << message;
  EXPECT_EQ(message.find(defaults.path(), message.find(defaults.path()) + 1), std::string::npos)
      << "reported once per failure streak: " << message;
  EXPECT_EQ(defaults.fileWriteCount(), 0);
  EXPECT_EQ(*defaults.storedObject("a"), PlistValue(1));

  std::filesystem::remove(blocker);
  EXPECT_TRUE(defaults.synchronize());
  EXPECT_EQ(defaults.fileWriteCount(), 1);
}

// A file that was read is damaged, however little of it could be used; "could not be read" is for a
// file that could not be read at all.
TEST_F(PlistFileUserDefaultsTest,
       AFileWithNothingUsableIsDamagedKeptAsideIntactAndTheStoreStartsFromDefaults) {
  struct Case {
    const char* name;
    std::string contents;
    const char* reason;
  };
  const Case cases[] = {
      {"not a dictionary", "<plist version=\"1.0\"><array/></plist>", "root is not a dictionary"},
      {"empty", "", "no property list"},
      {"binary", std::string("bplist00\0\xff", 10), "line 1"},
      {"cut before the first entry", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>",
       "unexpected end of the text"},
      {"cut inside the first entry", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><str",
       "line 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeWholeFile(file(), c.contents);
    ::testing::internal::CaptureStderr();
    auto defaults = open();
    const std::string message = ::testing::internal::GetCapturedStderr();

    defaults->registerDefaults({{"a", false}});
    EXPECT_TRUE(defaults->storedDictionary().empty());
    EXPECT_FALSE(defaults->boolForKey("a"));
    EXPECT_EQ(reading.found, Found::damaged);
    EXPECT_EQ(reading.cause, "");
    EXPECT_NE(message.find(" is damaged ("), std::string::npos) << message;
    EXPECT_EQ(message.find("could not be read"), std::string::npos) << message;
    const std::string aside = reading.keptAs;
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(aside.rfind(file() + ".corrupt-", 0), 0u) << aside;
    EXPECT_EQ(readWholeFile(aside), c.contents);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_NE(message.find(file() + " "), std::string::npos) << message;
    EXPECT_NE(message.find(aside), std::string::npos) << message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;

    // Saving afterwards makes a new file and leaves the kept copy alone.
    defaults->setObject("b", 2);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(onDisk(), (Dict{{"b", 2}}));
    EXPECT_EQ(readWholeFile(aside), c.contents);
    std::filesystem::remove(file());
  }
  // Every case happened at the same virtual instant, yet each copy got a name of its own.
  size_t copies = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    copies += entry.path().filename().string().find(".corrupt-") != std::string::npos;
  }
  EXPECT_EQ(copies, std::size(cases));
}

TEST_F(PlistFileUserDefaultsTest, ADamagedFileKeepsEveryReadableSettingAndIsKeptAside) {
  const std::string damaged =
      "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "<key>big</key><integer>18446744073709551616</integer>\n"
      "<key>kept</key><string>yes</string>\n"
      "<key>huge</key><real>1e400</real>\n"
      "<key>also</key><integer>7</integer>\n"
      "<key>cut</key><arr";
  writeWholeFile(file(), damaged);
  ::testing::internal::CaptureStderr();
  auto defaults = open();
  const std::string message = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(defaults->storedDictionary(), (Dict{{"kept", "yes"}, {"also", 7}}));
  for (const char* named : {"\"big\"", "\"huge\"", "line 8", "out of range"}) {
    EXPECT_NE(message.find(named), std::string::npos) << named << " in " << message;
  }
  ASSERT_FALSE(reading.keptAs.empty());
  EXPECT_EQ(reading.found, Found::damaged);
  EXPECT_EQ(reading.cause, "") << "read, though damaged";
  EXPECT_EQ(readWholeFile(reading.keptAs), damaged);
  EXPECT_NE(message.find(reading.keptAs), std::string::npos) << message;
  // What was kept is back in the file at once, even if nothing changes before the next start.
  EXPECT_EQ(onDisk(), (Dict{{"kept", "yes"}, {"also", 7}}));

  defaults.reset();
  ::testing::internal::CaptureStderr();
  defaults = open();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(reading.found, Found::whole);
  EXPECT_TRUE(reading.keptAs.empty());
  EXPECT_EQ(defaults->storedDictionary(), (Dict{{"kept", "yes"}, {"also", 7}}));
}

// A value the owner's check rejects is told and left out exactly as one the format cannot hold: a line
// naming it and why, the file kept aside as it was, the rest written back; the next start is quiet.
TEST_F(PlistFileUserDefaultsTest, AValueTheCheckRejectsIsLeftOutAndToldLikeOneTheFileCannotHold) {
  const std::string text =
      "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "<key>huge</key><real>1e400</real>\n"
      "<key>kept</key><real>2.5</real>\n"
      "<key>odd</key><real>nan</real>\n"
      "<key>wrong</key><string>yes</string>\n"
      "</dict>\n</plist>\n";
  writeWholeFile(file(), text);
  auto check = [](const std::string& key, const PlistValue& value) -> std::optional<std::string> {
    if (key == "odd" && value.isReal()) return std::string("not a number");
    if (key == "wrong" && !value.isBool()) return std::string("not a Boolean");
    return std::nullopt;
  };
  ::testing::internal::CaptureStderr();
  auto defaults = open(check);
  const std::string said = ::testing::internal::GetCapturedStderr();
  for (const std::string& line :
       {"Pelko: the setting \"huge\" in " + file() + " could not be read (line 4: ",
        "Pelko: the setting \"odd\" in " + file() + " could not be read (not a number); it was left out.\n",
        "Pelko: the setting \"wrong\" in " + file() +
            " could not be read (not a Boolean); it was left out.\n"}) {
    EXPECT_NE(said.find(line), std::string::npos) << line << " in\n" << said;
  }
  ASSERT_FALSE(reading.keptAs.empty());
  EXPECT_NE(said.find("was kept as " + reading.keptAs), std::string::npos) << said;
  EXPECT_EQ(readWholeFile(reading.keptAs), text);
  EXPECT_EQ(defaults->storedDictionary(), (Dict{{"kept", 2.5}}));
  EXPECT_EQ(onDisk(), (Dict{{"kept", 2.5}}));

  defaults.reset();
  ::testing::internal::CaptureStderr();
  defaults = open(check);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(reading.keptAs.empty());
}

TEST_F(PlistFileUserDefaultsTest, AFileThatCannotEvenBeOpenedIsKeptAsideToo) {
  std::filesystem::create_directory(file());
  std::filesystem::create_directory(file() + "/inside");
  ::testing::internal::CaptureStderr();
  auto defaults = open();
  ::testing::internal::GetCapturedStderr();
  ASSERT_FALSE(reading.keptAs.empty());
  EXPECT_EQ(reading.found, Found::unreadable);
  EXPECT_TRUE(std::filesystem::exists(reading.keptAs + "/inside"));
  defaults->setObject("a", 1);
  EXPECT_TRUE(defaults->synchronize());
}

// Reading never waits on what it finds, nor fills the memory with it: each of these is a file that could
// not be read (not a damaged one), kept aside as it was, and the store starts from its defaults.
TEST_F(PlistFileUserDefaultsTest, AFileWithoutAnEndOrBeyondTheLimitIsUnreadableAndReadWithinADeadline) {
  const std::string tooLarge = "<plist><dict>" + std::string(16 * 1024 * 1024, ' ') + "</dict></plist>";
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* reason;
    std::optional<std::string> keptBytes;  // nothing for a FIFO, which keeps no bytes
  };
  const Case cases[] = {
      {"a FIFO without a writer", [&] { ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0); }, "not a regular file",
       std::nullopt},
      {"a file beyond 16 MB", [&] { writeWholeFile(file(), tooLarge); }, "larger than 16 MB", tooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    ::testing::internal::CaptureStderr();
    auto pending = std::async(std::launch::async, [this] { return open(); });
    if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // Lets a reader stuck on the FIFO go, so that the test ends.
      const int fd = ::open(file().c_str(), O_RDWR | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      ADD_FAILURE() << "reading did not end within 10 s";
    }
    auto defaults = pending.get();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(defaults->storedDictionary().empty());
    EXPECT_EQ(reading.found, Found::unreadable);
    EXPECT_EQ(reading.cause, c.reason);
    EXPECT_NE(message.find("could not be read (" + std::string(c.reason) + ")"), std::string::npos)
        << message;
    ASSERT_FALSE(reading.keptAs.empty()) << message;
    if (c.keptBytes) {
      EXPECT_EQ(readWholeFile(reading.keptAs), *c.keptBytes);
    }
    defaults->setObject("a", 1);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(onDisk(), (Dict{{"a", 1}}));
    defaults.reset();
    std::filesystem::remove(file());
  }
}

// Until the running copy reads the file, the store neither reads nor writes it: a copy that does not
// run leaves the file as it found it, whatever it was asked to keep.
TEST_F(PlistFileUserDefaultsTest, NothingIsReadOrSavedBeforeTheFileIsRead) {
  const std::string damaged = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><true/><key>b";
  writeWholeFile(file(), damaged);
  {
    ::testing::internal::CaptureStderr();
    PlistFileUserDefaults defaults(scheduler, folder.path(), kDomain);
    EXPECT_TRUE(defaults.storedDictionary().empty());
    defaults.setObject("b", 2);
    EXPECT_FALSE(defaults.synchronize());
    scheduler.advance(1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
  EXPECT_EQ(readWholeFile(file()), damaged);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

// A settings file that is a link (a user who keeps the file in a folder of their own) is read through
// and saved where the link points, written beside that file and renamed there; the link stays.
TEST_F(PlistFileUserDefaultsTest, ALinkIsReadThroughAndSavedWhereItPoints) {
  TempFolder elsewhere;
  const std::string target = elsewhere.file("mine.plist");
  struct Case {
    const char* name;
    std::function<std::string()> link;  // makes the link; returns what it says
  };
  const Case cases[] = {
      {"absolute",
       [&] {
         std::filesystem::create_symlink(target, file());
         return target;
       }},
      {"relative",
       [&] {
         const std::string relative = std::filesystem::relative(target, folder.path()).string();
         std::filesystem::create_symlink(relative, file());
         return relative;
       }},
      {"through another link",
       [&] {
         std::filesystem::create_symlink(target, folder.file("hop"));
         std::filesystem::create_symlink("hop", file());
         return std::string("hop");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeWholeFile(target, platform::writePlistXml(Dict{{"a", 1}}));
    const std::string says = c.link();
    auto defaults = open();
    EXPECT_EQ(reading.found, Found::whole);
    EXPECT_EQ(defaults->storedDictionary(), (Dict{{"a", 1}}));
    defaults->setObject("b", 2);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(std::filesystem::read_symlink(file()).string(), says);
    EXPECT_EQ(onDisk(), (Dict{{"a", 1}, {"b", 2}}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere.path()), {}), 1)
        << "nothing left beside the file";
    defaults.reset();
    for (const char* name : {"hop", "com.pelko.test.plist"}) std::filesystem::remove(folder.file(name));
  }
}

TEST_F(PlistFileUserDefaultsTest, ADamagedFileBehindALinkIsKeptAsideBesideItAndTheLinkStays) {
  TempFolder elsewhere;
  const std::string target = elsewhere.file("mine.plist");
  const std::string damaged =
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><integer>1</integer><key>b</key><str";
  writeWholeFile(target, damaged);
  std::filesystem::create_symlink(target, file());
  ::testing::internal::CaptureStderr();
  auto defaults = open();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(reading.found, Found::damaged);
  EXPECT_EQ(reading.keptAs.rfind(target + ".corrupt-", 0), 0u) << reading.keptAs;
  EXPECT_EQ(readWholeFile(reading.keptAs), damaged);
  EXPECT_EQ(std::filesystem::read_symlink(file()).string(), target);
  EXPECT_EQ(onDisk(), (Dict{{"a", 1}}));
}

// A link that leads to no regular file is said by its cause as an unreadable file is; it is neither
// moved nor saved over, and the settings start from their defaults.
TEST_F(PlistFileUserDefaultsTest, ALinkThatLeadsToNoRegularFileIsToldByItsCauseAndLeftInPlace) {
  struct Case {
    const char* name;
    std::string says;
    const char* cause;
  };
  const Case cases[] = {
      {"dangling", "gone.plist", "No such file or directory"},
      {"a loop", "loop", "Too many levels of symbolic links"},
      {"a FIFO", "fifo", "not a regular file"},
      {"a folder", "folder", "not a regular file"},
  };
  // Never a real device or a folder of the system: a fault here would move it aside.
  std::filesystem::create_symlink(std::string(kDomain) + ".plist", folder.file("loop"));
  ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(folder.file("folder"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::create_symlink(c.says, file());
    ::testing::internal::CaptureStderr();
    auto defaults = open();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(reading.found, Found::unfollowableLink);
    EXPECT_EQ(reading.cause, c.cause);
    EXPECT_EQ(reading.keptAs, "");
    EXPECT_EQ(message,
              "Pelko: the settings file " + file() + " is a link, and what it names could not be read (" +
                  c.cause +
                  "); the link is left as it is, the settings start from their defaults, and changes "
                  "are not saved while Pelko runs.\n");
    EXPECT_TRUE(defaults->storedDictionary().empty());
    defaults->setObject("a", 1);
    EXPECT_FALSE(defaults->synchronize());
    defaults.reset();
    EXPECT_EQ(std::filesystem::read_symlink(file()).string(), c.says);
    std::filesystem::remove(file());
  }
}

// What is printed of the file's path or of its keys stays on its line and tells a terminal nothing.
TEST(PlistFileUserDefaultsMessages, PathsAndKeysArePrintedWithTheirControlCharactersHidden) {
  VirtualScheduler scheduler;
  TempFolder root;
  const std::string folder = root.file("set\x1B[2Jtings\x07\nhere");
  const std::string shownFolder = root.file("set?[2Jtings??here");
  std::filesystem::create_directories(folder);
  writeWholeFile(
      folder + "/" + kDomain + ".plist",
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k\x1B]0;title\x07</key><real>1e400</real>"
      "<key>fine</key><true/></dict></plist>");
  const std::string blocker = root.file(
      "blo\x1B"
      "cker\xE2\x80\xA8");
  writeWholeFile(blocker, "a file where the folder should be");
  struct Case {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> said;  // one line each
  };
  const Case cases[] = {
      {"a damaged file",
       [&] { PlistFileUserDefaults(scheduler, folder, kDomain).read(); },
       {"Pelko: the setting \"k?]0;title?\" in " + shownFolder + "/com.pelko.test.plist could not be read",
        "Pelko: the settings file " + shownFolder + "/com.pelko.test.plist is damaged; it was kept as " +
            shownFolder + "/com.pelko.test.plist.corrupt-"}},
      {"a failed save",
       [&] {
         PlistFileUserDefaults defaults(scheduler, blocker, kDomain);
         defaults.read();
         defaults.setObject("a", 1);
         EXPECT_FALSE(defaults.synchronize());
       },
       {"Pelko: could not save the settings to " + root.file("blo?cker?") + "/com.pelko.test.plist ("}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::testing::internal::CaptureStderr();
    c.act();
    const std::string message = ::testing::internal::GetCapturedStderr();
    for (const std::string& line : c.said)
      EXPECT_NE(message.find(line), std::string::npos) << line << " in\n" << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), static_cast<long>(c.said.size())) << message;
    EXPECT_EQ(message.find_first_of("\x1B\x07"), std::string::npos) << message;
    EXPECT_EQ(message.find("\xE2\x80\xA8"), std::string::npos) << message;
  }
}

TEST(PlistFileUserDefaultsSetup, TheFolderFollowsTheXdgConvention) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  pelko::testing::ScopedEnvironment environment;
  for (auto [xdg, folder] :
       {std::pair<std::optional<std::string>, std::string>{"/somewhere/config", "/somewhere/config/pelko"},
        {"relative/is/ignored", home + "/.config/pelko"},
        {std::nullopt, home + "/.config/pelko"}}) {
    environment.set("XDG_CONFIG_HOME", xdg);
    EXPECT_EQ(PlistFileUserDefaults::defaultFolder(), folder);
  }
}

TEST(PlistFileUserDefaultsSetup, RefusesDomainsThatAreNotPlainNames) {
  VirtualScheduler scheduler;
  TempFolder folder;
  for (const char* domain : {"", ".", "..", "../escape", "a/b"}) {
    EXPECT_THROW(PlistFileUserDefaults(scheduler, folder.path(), domain), std::invalid_argument) << domain;
  }
}

TEST(PlistFileUserDefaultsThreads, ChangesFromTheMainThreadRaceNothingOnTheRealWriterThread) {
  RealScheduler scheduler;
  TempFolder folder;
  {
    PlistFileUserDefaults defaults(scheduler, folder.path(), kDomain);
    defaults.read();
    for (int i = 0; i < 2000; ++i) {
      defaults.setObject("key" + std::to_string(i % 50), i);
      if (i % 500 == 0) defaults.synchronize();
    }
  }
  PlistFileUserDefaults reopened(scheduler, folder.path(), kDomain);
  reopened.read();
  EXPECT_EQ(reopened.storedDictionary().size(), 50u);
  EXPECT_EQ(*reopened.storedObject("key49"), PlistValue(1999));
}

// The one real-time test: a separate process assigns a value and is killed without warning once the file
// is there; the value is in it, whole, written without any exit. (When within the flush delay is the
// virtual-time tests' concern: a loaded machine, a sanitizer build above all, can take longer than a
// second to start the writer thread.)
TEST(PlistFileUserDefaultsKill, AnAssignedValueIsOnDiskWholeWhenTheProcessIsKilled) {
  TempFolder folder;
  std::string child = PELKO_DEFAULTS_WRITER_CHILD;
  ASSERT_TRUE(std::filesystem::exists(child)) << child;

  const std::string key = "lastWords", value = "written before the kill";
  std::vector<std::string> args{child, folder.path(), kDomain, key, value};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(), nullptr};
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {  // only calls that are safe between fork and exec
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  ASSERT_GT(pid, 0);

  std::string said;
  char buffer[64];
  ssize_t n;
  pollfd ready{pipeFds[0], POLLIN, 0};
  // A child that never reports must fail the test, not hang it.
  while (said.find('\n') == std::string::npos && ::poll(&ready, 1, 10'000) > 0 &&
         (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
    said.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipeFds[0]);
  EXPECT_EQ(said, "assigned\n");

  const std::string file = folder.file(std::string(kDomain) + ".plist");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(file) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended on its own: " << status;

  std::string error;
  auto parsed = platform::parsePlistXml(readWholeFile(file), &error);
  ASSERT_TRUE(parsed && parsed->isDictionary()) << error;
  EXPECT_EQ(*parsed->asDictionary(), (Dict{{key, value}}));
}

// The writer escapes what the reader takes back as it is: a value well inside the reader's limit can
// make a file beyond it, which the next start would refuse whole.
TEST_F(PlistFileUserDefaultsTest, ASaveTheReaderWouldRefuseKeepsTheLastGoodFileAndSaysSoOnce) {
  auto defaults = open();
  defaults->setObject("kept", "from before");
  ASSERT_TRUE(defaults->synchronize());
  defaults->setObject("ampersands", std::string(4'000'000, '&'));  // "&amp;" each: 20 MB written
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(defaults->synchronize());
  scheduler.advance(1);
  EXPECT_FALSE(defaults->synchronize());
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(message,
            "Pelko: could not save the settings to " + file() +
                " (the file would take 20000277 bytes, more than the 16777216 a settings file is read "
                "up to); the last saved file is kept, and the changes are kept while Pelko runs.\n");
  EXPECT_EQ(onDisk(), (Dict{{"kept", "from before"}}));
  EXPECT_EQ(defaults->fileWriteCount(), 1);

  defaults->setObject("ampersands", std::string(3'000'000, '&'));  // 15 MB: read back whole
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_EQ(open()->storedDictionary(),
            (Dict{{"kept", "from before"}, {"ampersands", std::string(3'000'000, '&')}}));
}

// A save runs on the writer's thread, where an exception would end the program holding the write lock.
TEST_F(PlistFileUserDefaultsTest, ASaveToAPathThatCannotBeLookedAtFailsWithItsCauseAndThrowsNothing) {
  const std::string overlong = folder.file(std::string(300, 'n'));
  PlistFileUserDefaults defaults(scheduler, overlong, kDomain);
  defaults.read();
  defaults.setObject("a", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_NO_THROW(scheduler.advance(1));  // the scheduled save
  EXPECT_NO_THROW(EXPECT_FALSE(defaults.synchronize()));
  EXPECT_NO_THROW(EXPECT_FALSE(defaults.synchronizeOnTheWayOut()));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Pelko: could not save the settings to " + defaults.path() + " (cannot create " + overlong +
                ": File name too long); the changes are kept and saving them will be retried.\n");
}

// On the way out of a failing process nothing waits for values another thread keeps held: that thread
// may be the one that failed, and never give them back. A save in hand on another thread always ends,
// and the marker is written after it.
TEST_F(PlistFileUserDefaultsTest, TheWayOutGivesUpOnHeldValuesAndWritesAfterASaveInHand) {
  auto defaults = open();
  const auto wayOut = [&defaults] {
    return std::async(std::launch::async, [&defaults] {
      const bool set = defaults->setObjectOnTheWayOut("marker", "set");
      return std::pair{set, defaults->synchronizeOnTheWayOut()};
    });
  };
  {
    auto held = PlistFileUserDefaultsTestAccess::holdValues(*defaults);
    auto result = wayOut();
    const bool finished = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    held.unlock();
    ASSERT_TRUE(finished) << "the way out waited for the values";
    EXPECT_EQ(result.get(), std::pair(false, false));
    EXPECT_FALSE(std::filesystem::exists(file()));
  }
  {
    auto held = PlistFileUserDefaultsTestAccess::holdWriter(*defaults);
    auto result = wayOut();
    held.unlock();
    EXPECT_EQ(result.get(), std::pair(true, true));
    EXPECT_EQ(onDisk(), (Dict{{"marker", "set"}}));
  }
}

}  // namespace
}  // namespace pelko::real
