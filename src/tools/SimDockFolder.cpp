#include "tools/SimDockFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/PlistXml.h"
#include "platform/RegularFile.h"

namespace pelko::tools {

namespace {

std::string joined(const std::vector<std::string>& words) {
  std::string line;
  for (const auto& word : words) {
    if (!line.empty()) line += ' ';
    line += word;
  }
  return line;
}

std::vector<std::string> patternsFrom(const char* variable) {
  std::vector<std::string> patterns;
  const char* value = std::getenv(variable);
  if (!value) return patterns;
  std::string text(value);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string pattern = text.substr(start, end - start);
    while (!pattern.empty() && pattern.front() == ' ') pattern.erase(pattern.begin());
    while (!pattern.empty() && pattern.back() == ' ') pattern.pop_back();
    if (!pattern.empty()) patterns.push_back(pattern);
    start = end + 1;
  }
  return patterns;
}

bool anyMatches(const char* variable, const std::string& line) {
  for (const auto& pattern : patternsFrom(variable)) {
    if (faultPatternMatches(pattern, line)) return true;
  }
  return false;
}

[[noreturn]] void hangForever() {
  const char* ignores = std::getenv(kHangIgnoresTermVariable);
  if (ignores && std::strcmp(ignores, "1") == 0) ::signal(SIGTERM, SIG_IGN);
  for (;;) ::pause();
}

bool writeAll(int fd, const std::string& text) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// The program that ran this tool dies right after the tool's step, before it can react to its outcome.
void killParent() {
  ::kill(::getppid(), SIGKILL);
}

}  // namespace

bool faultPatternMatches(const std::string& pattern, const std::string& line) {
  if (pattern.empty() || line.compare(0, pattern.size(), pattern) != 0) return false;
  return line.size() == pattern.size() || line[pattern.size()] == ' ';
}

std::optional<SimDockFolder> SimDockFolder::fromEnvironment(std::string& error) {
  const char* value = std::getenv(kDockDirVariable);
  if (!value || !*value) {
    error = std::string(kDockDirVariable) + " is not set; it names the simulated Dock's folder";
    return std::nullopt;
  }
  struct stat info {};
  if (::stat(value, &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = std::string(kDockDirVariable) + " (" + value + ") is not a folder";
    return std::nullopt;
  }
  return SimDockFolder(value);
}

void SimDockFolder::beginRun(const std::vector<std::string>& words) const {
  std::string line = joined(words);
  appendLine(kCommandLogName, line);
  auto runNumberVariable = [](const char* name) -> long {
    const char* chosen = std::getenv(name);
    if (!chosen) return 0;
    char* end = nullptr;
    long number = std::strtol(chosen, &end, 10);
    return end != chosen && *end == '\0' && number > 0 ? number : 0;
  };
  const long runNumber = static_cast<long>(lineCount(kCommandLogName));
  if (long chosen = runNumberVariable(kKillParentAfterRunVariable); chosen > 0 && runNumber == chosen) {
    std::atexit(killParent);
  }
  if (anyMatches(kHangVariable, line) && runNumber >= runNumberVariable(kHangFromRunVariable)) hangForever();
  if (anyMatches(kFailVariable, line)) {
    std::fputs("pelko-sim: injected failure\n", stderr);
    std::exit(1);
  }
}

bool SimDockFolder::recordDockRestart() const {
  return appendLine(kRestartLogName, "restart");
}

bool SimDockFolder::isValidDomainName(const std::string& domain) {
  return !domain.empty() && domain.front() != '.' && domain.find('/') == std::string::npos &&
         domain.find('\0') == std::string::npos;
}

std::string SimDockFolder::domainPath(const std::string& domain) const {
  return path_ + "/" + domain + ".plist";
}

size_t SimDockFolder::lineCount(const char* fileName) const {
  std::string path = path_ + "/" + fileName;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t lines = 0;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
  }
  ::close(fd);
  return lines;
}

bool SimDockFolder::appendLine(const char* fileName, const std::string& line) const {
  std::string path = path_ + "/" + fileName;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // One write call per line, so concurrent runs never interleave within a line.
  bool ok = writeAll(fd, line + "\n");
  ::close(fd);
  return ok;
}

SimDockFolder::DomainLock::DomainLock(const SimDockFolder& folder, const std::string& domain,
                                      bool exclusive) {
  std::string path = folder.path() + "/." + domain + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno == EINTR) continue;
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

SimDockFolder::DomainLock::~DomainLock() {
  if (fd_ >= 0) ::close(fd_);
}

SimDockFolder::LoadedDomain SimDockFolder::loadDomain(const std::string& domain) const {
  LoadedDomain result;
  std::string path = domainPath(domain);
  platform::RegularFileRead file = platform::readRegularFile(path);
  if (file.status == platform::RegularFileRead::Status::missing) return result;
  if (!file.ok()) {
    result.status = LoadStatus::unreadable;
    result.error = "cannot read " + path + ": " + file.error;
    return result;
  }
  const std::string& text = file.contents;

  std::string parseError;
  auto root = platform::parsePlistXml(text, &parseError);
  if (!root || !root->isDictionary()) {
    result.status = LoadStatus::unreadable;
    result.error = path + " is not a property list with a dictionary at its root" +
                   (parseError.empty() ? std::string() : ": " + parseError);
    return result;
  }
  result.status = LoadStatus::loaded;
  result.values = *root->asDictionary();
  return result;
}

bool SimDockFolder::saveDomain(const std::string& domain, const platform::PlistValue::Dictionary& values,
                               std::string& error) const {
  std::string path = domainPath(domain);
  std::string temporary = path_ + "/." + domain + ".plist.tmp." + std::to_string(::getpid());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot create " + temporary + ": " + std::strerror(errno);
    return false;
  }
  bool written = writeAll(fd, platform::writePlistXml(platform::PlistValue(values))) && ::fsync(fd) == 0;
  int savedErrno = errno;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    if (written) savedErrno = errno;
    ::unlink(temporary.c_str());
    error = "cannot write " + path + ": " + std::strerror(savedErrno);
    return false;
  }
  // The rename itself must survive a crash too.
  int dir = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace pelko::tools
