#include "ui/IconCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <algorithm>

#include "platform/RegularFile.h"

namespace pelko {

namespace {

QPixmap decode(const QString& path, int pixels) {
  // An icon may also be a symbolic name; only an absolute path names a file.
  if (!QFileInfo(path).isAbsolute()) return {};
  platform::RegularFileRead file = platform::readRegularFile(path.toStdString());
  if (!file.ok()) return {};
  QByteArray bytes = QByteArray::fromStdString(file.contents);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // Formats that can decode at a smaller size (JPEG) do so; the rest are scaled after reading.
  const QSize full = reader.size();
  if (full.isValid()) reader.setScaledSize(full.scaled(pixels, pixels, Qt::KeepAspectRatio));
  const QImage image = reader.read();
  if (image.isNull()) return {};
  if (image.width() == pixels || image.height() == pixels) return QPixmap::fromImage(image);
  return QPixmap::fromImage(image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

IconCache::IconCache(int64_t budgetBytes) : budget_(std::max<int64_t>(0, budgetBytes)) {}

IconCache& IconCache::shared() {
  static IconCache cache;
  // Pixmaps must not outlive the application object, which goes before static storage does.
  static const bool emptiedWithTheApplication = [] {
    qAddPostRoutine([] { IconCache::shared().clear(); });
    return true;
  }();
  (void)emptiedWithTheApplication;
  return cache;
}

void IconCache::clear() {
  entries_.clear();
  index_.clear();
  bytes_ = 0;
}

QPixmap IconCache::pixmap(const QString& path, int pixels) {
  if (path.isEmpty() || pixels <= 0) return {};
  const Key key{path, pixels};
  if (auto found = index_.find(key); found != index_.end()) {
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->pixmap;
  }
  ++decodeCount_;
  QPixmap decoded = decode(path, pixels);
  // A failed read is remembered at the cost of its key, so it counts against the budget too.
  const int64_t cost = decoded.isNull() ? static_cast<int64_t>(sizeof(Entry)) + path.size() * 2
                                        : static_cast<int64_t>(decoded.width()) * decoded.height() *
                                              std::max(1, decoded.depth() / 8);
  entries_.push_front(Entry{key, decoded, cost});
  index_.emplace(key, entries_.begin());
  bytes_ += cost;
  evictBeyondBudget();
  return decoded;
}

void IconCache::evictBeyondBudget() {
  // The newest entry stays even when it alone is over the budget: it is about to be drawn.
  while (bytes_ > budget_ && entries_.size() > 1) {
    const Entry& oldest = entries_.back();
    bytes_ -= oldest.bytes;
    index_.erase(oldest.key);
    entries_.pop_back();
  }
}

}  // namespace pelko
