#include "ui/IconCache.h"

#include <gtest/gtest.h>

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

  // Unreadable files and symbolic names are remembered as such, not read again.
  for (const QString& bad : {dir.filePath("missing.png"), QString("com.example.editor")}) {
    EXPECT_TRUE(cache.pixmap(bad, 32).isNull());
    EXPECT_TRUE(cache.pixmap(bad, 32).isNull());
  }
  EXPECT_EQ(cache.decodeCount(), 4);

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
