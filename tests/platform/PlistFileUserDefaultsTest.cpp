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
  std::unique_ptr<PlistFileUserDefaults> open() {
    return std::make_unique<PlistFileUserDefaults>(scheduler, folder.path(), kDomain);
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
};

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
  EXPECT_FALSE(std::filesystem::exists(nested));  // opening alone writes nothing
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

TEST_F(PlistFileUserDefaultsTest, AnUnreadableFileIsKeptAsideIntactAndTheStoreStartsFromDefaults) {
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
    const std::string aside = defaults->keptAsidePath();
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
  ASSERT_FALSE(defaults->keptAsidePath().empty());
  EXPECT_EQ(defaults->unreadableBecause(), "") << "read, though damaged";
  EXPECT_EQ(readWholeFile(defaults->keptAsidePath()), damaged);
  EXPECT_NE(message.find(defaults->keptAsidePath()), std::string::npos) << message;
  // What was kept is back in the file at once, even if nothing changes before the next start.
  EXPECT_EQ(onDisk(), (Dict{{"kept", "yes"}, {"also", 7}}));

  defaults.reset();
  ::testing::internal::CaptureStderr();
  defaults = open();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(defaults->keptAsidePath().empty());
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
  auto defaults = std::make_unique<PlistFileUserDefaults>(scheduler, folder.path(), kDomain, check);
  const std::string said = ::testing::internal::GetCapturedStderr();
  for (const std::string& line :
       {"Pelko: the setting \"huge\" in " + file() + " could not be read (line 4: ",
        "Pelko: the setting \"odd\" in " + file() + " could not be read (not a number); it was left out.\n",
        "Pelko: the setting \"wrong\" in " + file() +
            " could not be read (not a Boolean); it was left out.\n"}) {
    EXPECT_NE(said.find(line), std::string::npos) << line << " in\n" << said;
  }
  ASSERT_FALSE(defaults->keptAsidePath().empty());
  EXPECT_NE(said.find("was kept as " + defaults->keptAsidePath()), std::string::npos) << said;
  EXPECT_EQ(readWholeFile(defaults->keptAsidePath()), text);
  EXPECT_EQ(defaults->storedDictionary(), (Dict{{"kept", 2.5}}));
  EXPECT_EQ(onDisk(), (Dict{{"kept", 2.5}}));

  defaults.reset();
  ::testing::internal::CaptureStderr();
  defaults = std::make_unique<PlistFileUserDefaults>(scheduler, folder.path(), kDomain, check);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(defaults->keptAsidePath().empty());
}

TEST_F(PlistFileUserDefaultsTest, AFileThatCannotEvenBeOpenedIsKeptAsideToo) {
  std::filesystem::create_directory(file());
  std::filesystem::create_directory(file() + "/inside");
  ::testing::internal::CaptureStderr();
  auto defaults = open();
  ::testing::internal::GetCapturedStderr();
  ASSERT_FALSE(defaults->keptAsidePath().empty());
  EXPECT_TRUE(std::filesystem::exists(defaults->keptAsidePath() + "/inside"));
  defaults->setObject("a", 1);
  EXPECT_TRUE(defaults->synchronize());
}

TEST_F(PlistFileUserDefaultsTest, AFileWithoutAnEndIsTreatedAsDamagedWithoutBlockingOrFillingTheMemory) {
  const std::string tooLarge = "<plist><dict>" + std::string(16 * 1024 * 1024, ' ') + "</dict></plist>";
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* reason;
  };
  const Case cases[] = {
      {"a FIFO without a writer", [&] { ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0); },
       "not a regular file"},
      {"a link to an endless device", [&] { std::filesystem::create_symlink("/dev/zero", file()); },
       "not a regular file"},
      {"a file beyond 16 MB", [&] { writeWholeFile(file(), tooLarge); }, "larger than 16 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    ::testing::internal::CaptureStderr();
    auto defaults = open();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(defaults->storedDictionary().empty());
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    ASSERT_FALSE(defaults->keptAsidePath().empty()) << message;
    EXPECT_EQ(defaults->unreadableBecause(), c.reason);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(file())));
    defaults->setObject("a", 1);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(onDisk(), (Dict{{"a", 1}}));
    defaults.reset();
    std::filesystem::remove(file());
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
    for (int i = 0; i < 2000; ++i) {
      defaults.setObject("key" + std::to_string(i % 50), i);
      if (i % 500 == 0) defaults.synchronize();
    }
  }
  PlistFileUserDefaults reopened(scheduler, folder.path(), kDomain);
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
