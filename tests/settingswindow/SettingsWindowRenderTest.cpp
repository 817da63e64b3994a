// Renders the settings window as a person sees it, to PNG files under the build folder: every page in
// both rendering modes, the whole Presets page, and a gallery of the kit's controls.

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>

#include "SettingsWindowTestWorld.h"
#include "settingswindow/SettingsRowView.h"
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
  // Counts pixels that differ clearly from the window background: a blank render has none.
  static int inkedPixels(const QImage& image) {
    const QColor background = toQColor(semanticColor(SemanticColor::windowBackground));
    int inked = 0;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) {
        const QColor pixel = image.pixelColor(x, y);
        if (std::abs(pixel.red() - background.red()) + std::abs(pixel.green() - background.green()) > 60)
          ++inked;
      }
    return inked;
  }
};

TEST_F(SettingsWindowRenderTest, EveryPageInBothModes) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  for (double scale : {2.0, 1.0}) {
    setScale(scale);
    for (int page = 0; page < view.pageCount(); ++page) {
      view.selectTab(page);
      system.scheduler.runUntilIdle();
      QCoreApplication::processEvents();  // what the event loop does before the window is drawn
      QImage image = controller->window()->grab().toImage();
      EXPECT_GT(inkedPixels(image), 500) << page;
      save(image, QString("page%1-%2.png").arg(page).arg(scale == 2.0 ? "standard" : "low-density"));
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
  image.fill(toQColor(semanticColor(SemanticColor::windowBackground)));
  page->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_GT(image.height(), 700);
  save(image, "presets-page-whole.png");
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
    EXPECT_GT(inkedPixels(image), 300);
    save(image, mode == SettingsRenderingMode::standard ? "kit-gallery-standard.png"
                                                        : "kit-gallery-low-density.png");
  }
}

}  // namespace
}  // namespace pelko::test
