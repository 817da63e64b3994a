// The shared colour panel as a window: Escape closes the whole panel, keeping the colour picked, and it
// opens whole again; above the normal level it stays on top, so that it comes above a settings window
// that floats.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/QtColor.h"

namespace pelko {
namespace {

// The panel's "HTML" field, found by its label as a person finds it.
QLineEdit* htmlField(QWidget& panel) {
  for (QLabel* label : panel.findChildren<QLabel*>())
    if (label->text().remove('&') == "HTML:") return qobject_cast<QLineEdit*>(label->buddy());
  return nullptr;
}

QColorDialog* picker(QWidget& panel) {
  return panel.findChild<QColorDialog*>();
}

class ColorPanelTest : public ::testing::Test {
 protected:
  // The panel lives for the whole process: each test leaves it closed and at the normal level.
  void TearDown() override {
    ColorPanel& panel = ColorPanel::shared();
    panel.close();
    panel.setLevel(0);
  }
};

TEST_F(ColorPanelTest, EscapeClosesThePanelKeepingTheColourPickedAndItOpensWholeAgain) {
  ColorWell well;
  well.setColor({1, 1, 1, 1});
  ColorPanel& panel = ColorPanel::shared();
  panel.activate(&well);
  ASSERT_TRUE(panel.isVisible());
  QLineEdit* html = htmlField(panel);
  ASSERT_NE(html, nullptr);
  html->selectAll();
  QTest::keyClicks(html, "#336699");
  ASSERT_EQ(toQColor(well.color()).name().toStdString(), "#336699");

  // Escape where the user types: the field hands it on to the picker around it.
  QTest::keyClick(html, Qt::Key_Escape);
  EXPECT_FALSE(panel.isVisible()) << "the panel stayed on the screen";
  EXPECT_FALSE(picker(panel)->isHidden()) << "the picker inside the panel was hidden";
  EXPECT_EQ(toQColor(well.color()).name().toStdString(), "#336699");
  EXPECT_FALSE(well.isActive());
  EXPECT_EQ(panel.activeWell(), nullptr);

  // Opened again, the picker shows in it with the well's colour.
  panel.activate(&well);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(picker(panel)->isVisible());
  EXPECT_EQ(html->text().toStdString(), "#336699");
}

TEST_F(ColorPanelTest, AboveTheNormalLevelItStaysOnTopAndAtTheNormalLevelItDoesNot) {
  ColorWell well;
  ColorPanel& panel = ColorPanel::shared();
  panel.activate(&well);
  struct Case {
    int level;
    bool staysOnTop;
  };
  // A floating settings window's level (3) plus one, the normal level, one above it.
  for (const Case& c : {Case{4, true}, Case{0, false}, Case{1, true}}) {
    panel.setLevel(c.level);
    EXPECT_EQ(panel.level(), c.level);
    EXPECT_EQ(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.staysOnTop) << c.level;
    EXPECT_TRUE(panel.isVisible()) << "changing the level hid the panel, at " << c.level;
  }
}

}  // namespace
}  // namespace pelko
