#pragma once

#include <QPixmap>
#include <QString>
#include <cstdint>
#include <list>
#include <unordered_map>

namespace pelko {

// Icon files decoded once per file and pixel size, shared by every button that shows them. Decoding a
// large image costs far more than drawing it, so a button asks here when its icon's size changes and
// keeps the answer until the next change; nothing is decoded while painting. The cache keeps the most
// recently used pixmaps up to a byte budget and forgets the least recently used beyond it. A file that
// cannot be read is remembered as such, so it is not read again on every layout. Main thread only.
class IconCache {
 public:
  static constexpr int64_t kDefaultBudgetBytes = 32 * 1024 * 1024;

  explicit IconCache(int64_t budgetBytes = kDefaultBudgetBytes);
  IconCache(const IconCache&) = delete;
  IconCache& operator=(const IconCache&) = delete;

  // The cache every button uses unless it is given its own.
  static IconCache& shared();

  // The image file at `path` (absolute) scaled to fit a square of `pixels`, keeping its aspect ratio;
  // null when there is no such file or it cannot be decoded.
  QPixmap pixmap(const QString& path, int pixels);

  void clear();

  int64_t bytes() const { return bytes_; }
  size_t entryCount() const { return entries_.size(); }
  // How often a file was actually read.
  int decodeCount() const { return decodeCount_; }

 private:
  struct Key {
    QString path;
    int pixels;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& key) const noexcept {
      return qHash(key.path, static_cast<size_t>(key.pixels));
    }
  };
  struct Entry {
    Key key;
    QPixmap pixmap;
    int64_t bytes;
  };

  void evictBeyondBudget();

  int64_t budget_;
  int64_t bytes_ = 0;
  int decodeCount_ = 0;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

}  // namespace pelko
