// Renders the settings window as a person sees it, to PNG files under the build folder, and checks what
// each picture holds: every page in both rendering modes, the whole Presets page, the Jump To list and a
// gallery of the kit's controls.

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <map>

#include "SettingsWindowTestWorld.h"
#include "settingswindow/PresetCardView.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "ui/ColorWell.h"
#include "ui/Labels.h"
#include "ui/QtColor.h"
#include "ui/SegmentedControl.h"
#include "ui/SemanticColors.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"
#include "ui/SymbolIcon.h"

namespace pelko::test {
namespace {

class SettingsWindowRenderTest : public SettingsWindowTest {
 protected:
  static QColor background() { return toQColor(semanticColor(SemanticColor::windowBackground)); }
};

TEST_F(SettingsWindowRenderTest, EveryPageInBothModes) {
  SettingsViewController& view = open();
  QWidget& window = *controller->window();
  window.resize(980, 760);
  window.show();
  const char* titles[] = {"Appearance", "Items", "Behavior", "Auto-Hide", "Presets"};
  for (double scale : {2.0, 1.0}) {
    setScale(scale);
    for (int page = 0; page < view.pageCount(); ++page) {
      SCOPED_TRACE(testing::Message() << "page " << page << " at scale " << scale);
      view.selectTab(page);
      system.scheduler.runUntilIdle();
      QCoreApplication::processEvents();  // what the event loop does before the window is drawn
      QImage image = window.grab().toImage();
      ASSERT_EQ(image.devicePixelRatio(), 1.0);
      save(image, QString("page%1-%2.png").arg(page).arg(scale == 2.0 ? "standard" : "low-density"));
      EXPECT_GT(inkedPixels(image, image.rect(), background()), 1100);
      // The header names the page; the sidebar, the page and the footer are all in the picture.
      EXPECT_EQ(view.pageTitleLabel()->fullText().toStdString(), titles[page]);
      const QRect title = frameIn(*view.pageTitleLabel(), window);
      EXPECT_TRUE(image.rect().contains(title));
      const QColor headerFill = image.pixelColor(title.topLeft() + QPoint(-4, title.height() / 2));
      EXPECT_GT(inkedPixels(image, title, headerFill), 40);
      const QRect pageArea = frameIn(*view.scrollView(), window);
      EXPECT_TRUE(image.rect().contains(pageArea));
      EXPECT_TRUE(image.rect().contains(frameIn(*view.footerView(), window)));
      EXPECT_GT(frameIn(*view.footerView(), window).top(), pageArea.bottom());
      // The shown page's button is drawn marked, the others plain: its fill differs from theirs.
      const auto& buttons = view.sidebarButtons();
      ASSERT_EQ(buttons.size(), 5u);
      const auto fillOf = [&](size_t i) {
        const QRect at = frameIn(*buttons[i], window);
        EXPECT_TRUE(image.rect().contains(at));
        return image.pixelColor(at.right() - 4, at.center().y());
      };
      const QColor shown = fillOf(static_cast<size_t>(page));
      const QColor other = fillOf(page == 0 ? 1 : 0);
      EXPECT_FALSE(sameColour(shown, other, 8))
          << shown.name().toStdString() << " " << other.name().toStdString();
    }
  }
}

TEST_F(SettingsWindowRenderTest, WholePresetsPage) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  view.selectTab(4);
  system.scheduler.runUntilIdle();
  QWidget* page = view.tabViews()[4];
  page->resize(view.scrollView()->viewport()->width(), page->sizeHint().height());
  QImage image(page->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(background());
  page->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_GT(image.height(), 700);
  save(image, "presets-page-whole.png");
  // The nine preset cards, each whole in the picture, none over another, each with its text drawn.
  std::vector<QRect> cards;
  for (auto* card : page->findChildren<PresetCardView*>())
    if (card->isVisibleTo(page)) cards.push_back(frameIn(*card, *page));
  ASSERT_EQ(cards.size(), 9u);
  for (size_t i = 0; i < cards.size(); ++i) {
    EXPECT_TRUE(image.rect().contains(cards[i])) << i;
    for (size_t j = i + 1; j < cards.size(); ++j)
      EXPECT_FALSE(cards[i].intersects(cards[j])) << i << "," << j;
    const QColor fill =
        image.pixelColor(cards[i].topLeft() + QPoint(cards[i].width() - 6, cards[i].height() - 6));
    EXPECT_GT(inkedPixels(image, cards[i], fill), 100) << i;
  }
}

TEST_F(SettingsWindowRenderTest, TheJumpToListInTheWindowsColours) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  view.selectTab(2);
  QCoreApplication::processEvents();
  auto* popup = view.tabViews()[2]->findChild<QComboBox*>();
  ASSERT_NE(popup, nullptr);
  popup->showPopup();
  QCoreApplication::processEvents();
  QWidget* list = popup->view()->window();
  ASSERT_NE(list, controller->window());
  const QImage image = list->grab().toImage();
  // Mostly the window's dark background, never the light default.
  const QColor dark = toQColor(semanticColor(SemanticColor::controlBackground));
  int light = 0, total = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2, ++total)
      if (image.pixelColor(x, y).lightness() > 160) ++light;
  EXPECT_LT(light * 5, total) << "a light list in a dark window";
  EXPECT_EQ(list->palette().color(QPalette::Base), dark);
  save(image, "jump-to-list.png");
  QImage whole(controller->window()->size(), QImage::Format_ARGB32_Premultiplied);
  controller->window()->render(&whole);
  {
    QPainter painter(&whole);
    painter.drawImage(list->mapToGlobal(QPoint()) - controller->window()->mapToGlobal(QPoint()), image);
  }
  save(whole, "jump-to-list-in-window.png");
  popup->hidePopup();
}

TEST_F(SettingsWindowRenderTest, KitGallery) {
  SettingsViewController& view = open();
  for (auto mode : {SettingsRenderingMode::standard, SettingsRenderingMode::lowDensity}) {
    QWidget gallery;
    gallery.setAutoFillBackground(true);
    gallery.setPalette(semanticPalette());
    auto* grid = new QGridLayout(&gallery);
    grid->setContentsMargins(16, 16, 16, 16);
    for (int enabled = 0; enabled < 2; ++enabled) {
      auto* on = new Switch();
      on->setOn(true);
      auto* stepper = new Stepper();
      stepper->setRange(0, 100, 5);
      stepper->setValue(40);
      auto* value = new QLabel("40%");
      auto* segments = new SegmentedControl({"Bottom", "Top", "Left", "Right"});
      segments->setSelectedSegment(1);
      auto* well = new ColorWell();
      well->setColor({0.2, 0.6, 1.0, 1.0});
      SettingsViewController::SectionBox box = view.makeSectionBox(
          {{"Switch", on, QString("A switch")},
           {"Off switch", new Switch(), std::nullopt},
           {"Segments", segments, std::nullopt},
           {"Colour", well, QString("Colour well")}},
          {view.makeStepperRow("Stepper", stepper, value, QString("Stepper with its label")),
           view.makeNoticeRow(
               {"exclamationmark.triangle.fill",
                "Permission required",
                Color{1.0, 0.624, 0.039, 1.0},
                "Screen Recording is optional, but required for Thumbnails because macOS blocks live "
                "window capture without it.",
                3,
                58,
                QString("Open macOS Settings"),
                {}})},
          "Gallery", std::nullopt);
      box.box->setShowsShadowStyle(true);
      box.box->applyRenderingMode(mode);
      box.box->setEnabled(enabled == 1);
      box.box->setMinimumWidth(460);
      grid->addWidget(box.box, 0, enabled);
    }
    auto* symbols = new QWidget();
    auto* row = new QHBoxLayout(symbols);
    for (const std::string& name : symbolNames()) {
      auto* icon = new QLabel();
      icon->setPixmap(symbolImage(name, 20, Color{0.984, 0.749, 0.141, 1.0}, true));
      row->addWidget(icon);
    }
    grid->addWidget(symbols, 1, 0, 1, 2);
    gallery.resize(gallery.sizeHint());
    gallery.show();
    QImage image = gallery.grab().toImage();
    ASSERT_EQ(image.devicePixelRatio(), 1.0);
    save(image, mode == SettingsRenderingMode::standard ? "kit-gallery-standard.png"
                                                        : "kit-gallery-low-density.png");
    // Each box whole in the picture; the colour well shows its colour and the switch that is on its
    // accent, both dimmed in the disabled box (on the left) and full in the enabled one.
    const auto boxes = gallery.findChildren<SettingsSectionBox*>();
    ASSERT_EQ(boxes.size(), 2);
    std::map<bool, QColor> wellColour, switchColour;
    for (SettingsSectionBox* box : boxes) {
      EXPECT_TRUE(image.rect().contains(frameIn(*box, gallery)));
      const bool enabled = box->isEnabled();
      auto* well = box->findChild<ColorWell*>();
      Switch* on = nullptr;
      for (auto* candidate : box->findChildren<Switch*>())
        if (candidate->isOn()) on = candidate;
      ASSERT_TRUE(well && on);
      wellColour[enabled] = image.pixelColor(frameIn(*well, gallery).center());
      const QRect track = frameIn(*on, gallery);
      switchColour[enabled] = image.pixelColor(track.left() + track.height() / 2, track.center().y());
      EXPECT_GT(inkedPixels(image, frameIn(*box->findChild<Stepper*>(), gallery),
                            image.pixelColor(frameIn(*box, gallery).topLeft() + QPoint(6, 6))),
                4);
    }
    EXPECT_TRUE(sameColour(wellColour[true], QColor(51, 153, 255), 4))
        << wellColour[true].name().toStdString();
    EXPECT_GT(switchColour[true].blue(), switchColour[true].red() + 100);
    EXPECT_LT(wellColour[false].lightness(), wellColour[true].lightness());
    EXPECT_LT(switchColour[false].lightness(), switchColour[true].lightness());
    // One symbol drawn per name in use.
    const QRect symbolRow = frameIn(*symbols, gallery);
    int drawn = 0;
    for (auto* icon : symbols->findChildren<QLabel*>())
      drawn += inkedPixels(image, frameIn(*icon, gallery), image.pixelColor(symbolRow.topLeft())) > 3;
    EXPECT_EQ(drawn, static_cast<int>(symbolNames().size()));
  }
}

}  // namespace
}  // namespace pelko::test
