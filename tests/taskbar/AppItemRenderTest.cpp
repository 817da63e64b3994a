#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>

#include "AppItemTestWorld.h"

namespace pelko::testing {
namespace {

// Renders buttons of each layout mode on the bar's default background, saves them under the build
// tree (artifacts/) for a person to look at, and checks the pixels that matter.
class AppItemRenderTest : public AppItemTest {
 protected:
  static QString artifactPath(const QString& name) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath("../artifacts");
    return dir.filePath("../artifacts/" + name);
  }

  TrackedAppPtr entry(const std::string& name, Color colour, bool active, std::optional<int64_t> window = {},
                      std::optional<std::string> title = {}) {
    AppImage icon;
    icon.source.color = colour;
    return std::make_shared<TrackedApp>("com.example." + name, name, icon, 9000 + next_++, active, false,
                                        false, std::move(title), window);
  }

  // A strip of the bar's colour holding `items` side by side (or stacked), grabbed as an image.
  QImage renderStrip(std::vector<AppItemView*> items, bool vertical, const QString& file) {
    QWidget bar;
    bar.setAutoFillBackground(true);
    QPalette palette = bar.palette();
    const Color bg = settings->backgroundColor.get();
    palette.setColor(QPalette::Window, QColor::fromRgbF(bg.red, bg.green, bg.blue));
    bar.setPalette(palette);
    QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(&bar))
                                  : static_cast<QBoxLayout*>(new QHBoxLayout(&bar));
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(1);
    for (auto* item : items) layout->addWidget(item);
    layout->addStretch();
    bar.resize(bar.sizeHint());
    bar.ensurePolished();
    layout->activate();
    const QImage image = bar.grab().toImage();
    EXPECT_TRUE(image.save(artifactPath(file)));
    // A magnified copy, pixel for pixel, to inspect the indicator and insets by eye.
    QString magnified = file;
    magnified.replace(".png", "-x4.png");
    image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(artifactPath(magnified));
    for (auto* item : items) item->setParent(nullptr);
    return image;
  }

  AppItemView* made(std::unique_ptr<AppItemView> item) {
    owned_.push_back(std::move(item));
    return owned_.back().get();
  }

  std::vector<std::unique_ptr<AppItemView>> owned_;
  int next_ = 0;
};

TEST_F(AppItemRenderTest, IconsOnlyButtons) {
  auto* active = made(makeItem());
  active->configure(entry("Editor", Color{0.2, 0.5, 0.9, 1}, true), false);
  active->configureIconsOnly(34, false);
  auto* hovered = made(makeItem());
  hovered->configure(entry("Mail", Color{0.9, 0.4, 0.2, 1}, false), false);
  hovered->configureIconsOnly(34, false);
  hovered->mouseEntered();
  scheduler.advance(0.1);
  auto* plain = made(makeItem());
  plain->configure(entry("Notes", Color{0.95, 0.8, 0.2, 1}, false), false);
  plain->configureIconsOnly(34, false);

  const QImage image = renderStrip({active, hovered, plain}, false, "item-icons-only.png");
  ASSERT_FALSE(image.isNull());
  // The active button carries its accent bar 1 point above its bottom edge, centred.
  EXPECT_EQ(active->indicatorFrame(), QRect(10, 31, 14, 2));
  EXPECT_EQ(active->size(), QSize(34, 34));
  const QColor accent = image.pixelColor(active->x() + 17, active->y() + 32);
  EXPECT_EQ(accent.name(), QColor(0, 122, 255).name());
  // The hovered button is tinted lighter than the bare bar beside the icon.
  const QColor tinted = image.pixelColor(hovered->x() + 2, hovered->y() + 17);
  const QColor bare = image.pixelColor(plain->x() + 2, plain->y() + 17);
  EXPECT_GT(tinted.lightness(), bare.lightness());
}

TEST_F(AppItemRenderTest, TextButtons) {
  auto* active = made(makeItem());
  active->configure(entry("Editor", Color{0.2, 0.5, 0.9, 1}, true, 11, std::string("Quarterly report.txt")),
                    true);
  active->configureIconsTextRight(34, false);
  auto* plain = made(makeItem());
  plain->configure(entry("Terminal", Color{0.15, 0.15, 0.15, 1}, false), false);
  plain->configureIconsTextRight(34, false);
  auto* longTitle = made(makeItem());
  longTitle->configure(entry("Browser", Color{0.3, 0.7, 0.4, 1}, false, 12,
                             std::string("A very long page title that cannot fit")),
                       false);
  longTitle->configureIconsTextRight(34, false);

  const QImage image = renderStrip({active, plain, longTitle}, false, "item-text.png");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(longTitle->width(), 176);  // capped at the width limit; the title is elided
  EXPECT_EQ(active->indicatorFrame(), QRect(0, 32, active->width(), 2));
}

TEST_F(AppItemRenderTest, VerticalButtons) {
  settings->position = TaskbarPosition::left;  // moves the indicator to the right edge
  auto* active = made(makeItem());
  active->configure(entry("Editor", Color{0.2, 0.5, 0.9, 1}, true), false);
  active->configureVertical(48, TaskbarPosition::left);
  auto* plain = made(makeItem());
  plain->configure(entry("Mail", Color{0.9, 0.4, 0.2, 1}, false), false);
  plain->configureVertical(48, TaskbarPosition::left);

  const QImage image = renderStrip({active, plain}, true, "item-vertical.png");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(active->size(), QSize(48, 48));
  EXPECT_EQ(active->indicatorFrame(), QRect(45, 17, 2, 14));
}

}  // namespace
}  // namespace pelko::testing
