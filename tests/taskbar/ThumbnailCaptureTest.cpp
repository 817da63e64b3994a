#include <gtest/gtest.h>

#include "taskbar/ThumbnailCaptureJob.h"
#include "taskbar/ThumbnailTestWorld.h"

namespace pelko::test {
namespace {

class ThumbnailCaptureTest : public ThumbnailTest {
 protected:
  thumbnail_capture::Sources sources{mac.windowServer(), accessibilityHelper, services.cache};
  int32_t pid = mac.launchApp("com.example.Editor", "Editor");
  // A red square standing in for the application's icon.
  QImage icon = [] {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
  }();

  platform::WindowID openWindow(Rect bounds = {100, 100, 800, 600}, const std::string& title = "Doc") {
    return mac.openWindow(pid, {.title = title, .bounds = bounds});
  }
  std::optional<QImage> capture(int64_t window) {
    return thumbnail_capture::captureWindowOffMain(sources, window, icon, 2.0);
  }
  bool isFallback(const std::optional<QImage>& image) const { return image && *image == icon; }
};

TEST_F(ThumbnailCaptureTest, AWindowIsServedFromTheCacheForLessThanThreeSeconds) {
  const auto window = openWindow();
  ASSERT_TRUE(capture(window));
  EXPECT_EQ(mac.windowCaptureCount(), 1);
  scheduler.advance(2.9);
  EXPECT_TRUE(capture(window));
  EXPECT_EQ(mac.windowCaptureCount(), 1) << "2.9 s old: still fresh";
  scheduler.advance(0.1);
  EXPECT_TRUE(capture(window));
  EXPECT_EQ(mac.windowCaptureCount(), 2) << "3.0 s old: captured again";
  EXPECT_EQ(services.cache.entryCount(), 1u) << "the entry was replaced";
}

TEST_F(ThumbnailCaptureTest, InsertingKeepsFreshEntriesAndDropsStaleOnes) {
  QImage picture(20, 20, QImage::Format_ARGB32_Premultiplied);
  for (int64_t number = 1; number <= 20; ++number) services.cache.insert(number, picture);
  services.cache.insert(21, picture);
  EXPECT_EQ(services.cache.entryCount(), 21u) << "all fresh: nothing is pruned";

  scheduler.advance(3.0);
  for (int64_t number = 30; number < 33; ++number) services.cache.insert(number, picture);
  EXPECT_EQ(services.cache.entryCount(), 3u) << "the 21 stale entries went with the first insert";

  // Below the count that used to trigger a prune, stale entries still go: they would pin large pictures.
  scheduler.advance(3.0);
  services.cache.insert(40, picture);
  EXPECT_EQ(services.cache.entryCount(), 1u);
}

TEST_F(ThumbnailCaptureTest, ARevokedPermissionStillServesFreshEntries) {
  const auto captured = openWindow();
  const auto other = openWindow({300, 300, 500, 400});
  const auto first = capture(captured);
  mac.permissions().screenCaptureGranted = false;
  scheduler.advance(1);
  const auto again = capture(captured);
  ASSERT_TRUE(again);
  EXPECT_FALSE(isFallback(again));
  EXPECT_EQ(*again, *first);
  EXPECT_TRUE(isFallback(capture(other)));
  scheduler.advance(2);
  EXPECT_TRUE(isFallback(capture(captured))) << "stale now, and no permission to capture again";
  EXPECT_EQ(mac.windowCaptureCount(), 1);
}

TEST_F(ThumbnailCaptureTest, WindowNumbersTheWindowServerCannotNameAreNeverCaptured) {
  const auto window = openWindow();
  const int64_t wrapsToWindow = (int64_t{1} << 32) + window;
  for (int64_t number : {int64_t{0}, int64_t{-1}, int64_t{1} << 32, wrapsToWindow}) {
    EXPECT_TRUE(isFallback(capture(number))) << number;
  }
  EXPECT_EQ(mac.windowCaptureCount(), 0);
  EXPECT_EQ(services.cache.entryCount(), 0u);
}

TEST_F(ThumbnailCaptureTest, CapturesAreKeptAtTheSizeACardShows) {
  // 1440 x 900 points at scale 2: 2880 x 1800 pixels captured, 300 x 187.5 points kept.
  const auto window = openWindow({0, 0, 1440, 900});
  const auto picture = capture(window);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->size(), QSize(600, 375));
  EXPECT_EQ(picture->devicePixelRatio(), 2.0);
  EXPECT_EQ(services.cache.byteCount(), 600u * 375u * 4u);

  // A small window keeps its own size.
  const auto small = capture(openWindow({0, 0, 150, 100}));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), QSize(300, 200));
}

TEST_F(ThumbnailCaptureTest, FailedAndTinyCapturesGiveTheFallbackAndAreNotCached) {
  const auto window = openWindow();
  mac.setTinyWindowImages(true);
  EXPECT_TRUE(isFallback(capture(window)));
  mac.setTinyWindowImages(false);
  mac.setWindowCaptureFails(true);
  EXPECT_TRUE(isFallback(capture(window)));
  EXPECT_FALSE(thumbnail_capture::captureWindowOffMain(sources, window, std::nullopt, 2.0));
  EXPECT_EQ(services.cache.entryCount(), 0u);
  mac.setWindowCaptureFails(false);
  EXPECT_FALSE(isFallback(capture(window)));
}

TEST_F(ThumbnailCaptureTest, AGroupCapturesTheFirstSixWithTheirTitles) {
  std::vector<int64_t> windows;
  for (int i = 0; i < 8; ++i)
    windows.push_back(openWindow({50.0 * i, 100, 400, 300}, "Doc " + std::to_string(i)));
  mac.setTitle(windows[1], "");
  mac.minimize(windows[2]);
  std::reverse(windows.begin(), windows.end());
  const auto group = thumbnail_capture::captureGroupOffMain(sources, windows, "Editor", icon, 2.0);
  ASSERT_EQ(group.captures.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(group.captures[i].first, windows[i]);
  EXPECT_EQ(group.titles.at(windows[0]), "Doc 7");
  EXPECT_EQ(group.titles.at(windows[6]), "Editor") << "untitled";
  EXPECT_EQ(group.titles.at(windows[5]), "Editor") << "minimized: not in the on-screen list";
  EXPECT_EQ(mac.windowCaptureCount(), 6);
}

TEST_F(ThumbnailCaptureTest, MemoryPressureEmptiesTheCacheOnceAPanelExists) {
  const auto window = openWindow();
  capture(window);
  memoryPressure.raise(platform::MemoryPressureLevel::warning);
  scheduler.runUntilIdle();
  EXPECT_EQ(services.cache.entryCount(), 1u) << "no panel yet: nothing watches";

  auto panel = std::make_unique<ThumbnailPanel>(panelEnvironment());
  memoryPressure.raise(platform::MemoryPressureLevel::critical);
  scheduler.runUntilIdle();
  EXPECT_EQ(services.cache.entryCount(), 0u);
  capture(window);
  EXPECT_EQ(mac.windowCaptureCount(), 2) << "the next hover captures again";
}

}  // namespace
}  // namespace pelko::test
