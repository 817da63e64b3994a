#include "ui/IconCache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace pelko {
namespace {

TEST(IconCacheTest, DecodesEachFileAndSizeOnceKeepsTheShapeAndForgetsTheLeastRecentlyUsedBeyondItsBudget) {
  QTemporaryDir dir;
  auto write = [&](const QString& name, QSize size, QColor colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(dir.filePath(name)));
    return dir.filePath(name);
  };
  IconCache cache;
  const QString wide = write("wide.png", {512, 256}, Qt::red);
  EXPECT_EQ(cache.pixmap(wide, 32).size(), QSize(32, 16));
  EXPECT_EQ(cache.pixmap(wide, 32).size(), QSize(32, 16));
  EXPECT_EQ(cache.decodeCount(), 1);
  EXPECT_EQ(cache.pixmap(wide, 64).size(), QSize(64, 32));
  EXPECT_EQ(cache.decodeCount(), 2);

  // Unreadable files and symbolic names are remembered as such, not read again. A FIFO without a writer
  // and an endless device are refused without waiting or reading.
  ASSERT_EQ(::mkfifo(dir.filePath("fifo.png").toLocal8Bit().constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.png")));
  // A picture padded beyond 16 MB is not read at all, however little of it a decoder would look at.
  const QString padded = write("padded.png", {8, 8}, Qt::red);
  {
    QFile file(padded);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(QByteArray(16 * 1024 * 1024, '\0'));
  }
  for (const QString& bad : {dir.filePath("missing.png"), QString("com.example.editor"),
                             dir.filePath("fifo.png"), dir.filePath("zero.png"), padded}) {
    EXPECT_TRUE(cache.pixmap(bad, 32).isNull());
    EXPECT_TRUE(cache.pixmap(bad, 32).isNull());
  }
  EXPECT_EQ(cache.decodeCount(), 7);

  IconCache small(2 * 32 * 32 * 4);  // room for two 32-pixel icons
  const QString a = write("a.png", {128, 128}, Qt::red), b = write("b.png", {128, 128}, Qt::green),
                c = write("c.png", {128, 128}, Qt::blue);
  small.pixmap(a, 32);
  small.pixmap(b, 32);
  small.pixmap(a, 32);  // a is now the more recent
  small.pixmap(c, 32);  // b goes
  EXPECT_EQ(small.entryCount(), 2u);
  EXPECT_LE(small.bytes(), 2 * 32 * 32 * 4);
  EXPECT_EQ(small.decodeCount(), 3);
  small.pixmap(a, 32);
  EXPECT_EQ(small.decodeCount(), 3);
  small.pixmap(b, 32);
  EXPECT_EQ(small.decodeCount(), 4);
}

}  // namespace
}  // namespace pelko
