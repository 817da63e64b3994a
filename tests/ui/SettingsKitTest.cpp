// The settings kit's controls: the program sets values silently, only the user's input signals; the
// stepper lands exactly on its steps; labels keep to their lines; symbols exist for the names in use.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/PopUpButton.h"
#include "ui/QtColor.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"
#include "ui/SymbolIcon.h"

namespace pelko {
namespace {

void click(QWidget& widget, QPoint at) {
  QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
  QApplication::sendEvent(&widget, &release);
}

TEST(SettingsKitTest, SwitchSignalsOnlyForTheUser) {
  Switch control;
  control.resize(control.sizeHint());
  QSignalSpy user(&control, &Switch::toggledByUser);
  control.setOn(true);
  control.setOn(false);
  EXPECT_EQ(user.count(), 0);
  click(control, {10, 10});
  ASSERT_EQ(user.count(), 1);
  EXPECT_TRUE(user[0][0].toBool());
  EXPECT_TRUE(control.isOn());
  control.setEnabled(false);
  click(control, {10, 10});
  EXPECT_EQ(user.count(), 1);
  EXPECT_TRUE(control.isOn());
}

TEST(SettingsKitTest, StepperKeepsToItsStepsAndClampsSilently) {
  Stepper stepper;
  stepper.setRange(0, 1, 0.1);
  QSignalSpy user(&stepper, &Stepper::valueChangedByUser);
  stepper.setValue(5);  // clamped, without a signal
  EXPECT_EQ(stepper.value(), 1);
  stepper.setValue(0.3);
  EXPECT_EQ(user.count(), 0);
  for (int i = 0; i < 100; ++i) {
    stepper.stepByUser(1);
    stepper.stepByUser(-1);
  }
  EXPECT_NEAR(stepper.value(), 0.3, 1e-12);
  for (int i = 0; i < 7; ++i) stepper.stepByUser(1);
  EXPECT_EQ(stepper.value(), 1.0);  // exactly the maximum, not 0.9999999
  const int before = user.count();
  EXPECT_FALSE(stepper.stepByUser(1));  // at the limit: no change, no signal
  EXPECT_EQ(user.count(), before);

  // A value between steps moves by one increment from where it stands, never onto a grid.
  Stepper whole;
  whole.setRange(50, 150, 5);
  whole.setValue(72);
  whole.stepByUser(1);
  EXPECT_EQ(whole.value(), 77);
  whole.setValue(72);
  whole.stepByUser(-1);
  EXPECT_EQ(whole.value(), 67);
  whole.resize(whole.sizeHint());
  click(whole, {9, 3});  // the upper half steps up
  EXPECT_EQ(whole.value(), 72);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(&whole, &down);
  EXPECT_EQ(whole.value(), 67);
  whole.setValue(53);
  whole.stepByUser(-1);  // clamped to the minimum
  EXPECT_EQ(whole.value(), 50);
}

TEST(SettingsKitTest, SegmentedControlSelection) {
  SegmentedControl control({"Left", "Center", "Right"});
  control.resize(control.sizeHint());
  QSignalSpy user(&control, &SegmentedControl::segmentSelectedByUser);
  control.setSelectedSegment(1);
  control.setSelectedSegment(7);  // no such segment: ignored
  EXPECT_EQ(control.selectedSegment(), 1);
  EXPECT_EQ(user.count(), 0);
  click(control, control.segmentRect(2).center());
  ASSERT_EQ(user.count(), 1);
  EXPECT_EQ(user[0][0].toInt(), 2);
  click(control, control.segmentRect(2).center());  // the selected one again: nothing
  EXPECT_EQ(user.count(), 1);
}

TEST(SettingsKitTest, ColorWellsShareOnePanel) {
  ColorWell first;
  ColorWell second;
  QSignalSpy firstPicks(&first, &ColorWell::colorChangedByUser);
  QSignalSpy secondPicks(&second, &ColorWell::colorChangedByUser);
  first.setColor({0, 0, 1, 1});
  EXPECT_EQ(firstPicks.count(), 0);

  ColorPanel& panel = ColorPanel::shared();
  panel.activate(&first);
  EXPECT_TRUE(first.isActive());
  panel.pickByUser({0, 1, 0, 1});
  EXPECT_EQ(firstPicks.count(), 1);
  EXPECT_EQ(first.color(), (Color{0, 1, 0, 1}));
  first.setColor({1, 1, 1, 1});  // shown in the panel without passing it on as a pick
  EXPECT_EQ(firstPicks.count(), 1);

  panel.activate(&second);  // the panel moves on; the first well lets go
  EXPECT_FALSE(first.isActive());
  panel.pickByUser({1, 0, 0, 1});
  EXPECT_EQ(firstPicks.count(), 1);
  EXPECT_EQ(secondPicks.count(), 1);

  second.setEnabled(false);  // a disabled well gives up the panel
  EXPECT_EQ(panel.activeWell(), nullptr);
  panel.close();
}

// The colour panel's "HTML" field, found by its label as a person finds it.
QLineEdit* htmlField(QWidget& panel) {
  for (QLabel* label : panel.findChildren<QLabel*>())
    if (label->text().remove('&') == "HTML:") return qobject_cast<QLineEdit*>(label->buddy());
  return nullptr;
}

// Typing "#803020" passes the valid "#803" on the way; the well's owner stores that pick and shows it
// again, which must neither rewrite the field under the cursor nor lose the digits still to come.
TEST(SettingsKitTest, AColourTypedInTheHtmlFieldIsTheColourPicked) {
  ColorWell well;
  well.setColor({1, 1, 1, 1});
  // What the settings window does with a pick: it stores it and shows the stored colour again.
  QObject::connect(&well, &ColorWell::colorChangedByUser, &well,
                   [&well](const Color& c) { well.setColor(c); });
  ColorPanel& panel = ColorPanel::shared();
  panel.activate(&well);
  QLineEdit* html = htmlField(panel);
  ASSERT_NE(html, nullptr);
  html->selectAll();
  QTest::keyClicks(html, "#803020");
  EXPECT_EQ(html->text().toStdString(), "#803020");
  EXPECT_EQ(toQColor(well.color()).name().toStdString(), "#803020");
  // A colour shown by the program still reaches the field.
  well.setColor({0, 0, 1, 1});
  EXPECT_EQ(html->text().toStdString(), "#0000ff");
  panel.close();
}

TEST(SettingsKitTest, PopUpButtonChangesOnlyByChoiceAndOpensInItsWindowsPalette) {
  QWidget window;
  QPalette dark = window.palette();
  dark.setColor(QPalette::Window, QColor(50, 50, 50));
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(220, 220, 220));
  window.setPalette(dark);
  auto* popup = new PopUpButton(&window);
  popup->addItems({"Select Section", "Placement", "Surface"});
  window.show();
  QSignalSpy chosen(popup, &QComboBox::activated);

  // Wheel steps either way leave the choice alone and go on to whatever scrolls around the button.
  for (int delta : {-120, 120, -360}) {
    QWheelEvent wheel(QPointF(5, 5), popup->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(popup, &wheel);
    EXPECT_FALSE(wheel.isAccepted()) << delta;
    EXPECT_EQ(popup->currentIndex(), 0) << delta;
  }
  EXPECT_EQ(chosen.count(), 0);
  EXPECT_EQ(popup->focusPolicy(), Qt::StrongFocus);  // a wheel step does not take the focus either

  // The list is a window of its own, drawn in the button's window's colours.
  popup->showPopup();
  QWidget* list = popup->view()->window();
  ASSERT_NE(list, &window);
  EXPECT_EQ(list->palette().color(QPalette::Base), QColor(30, 30, 30));
  EXPECT_EQ(popup->view()->palette().color(QPalette::Text), QColor(220, 220, 220));
  popup->hidePopup();
}

TEST(SettingsKitTest, WrappingLabelKeepsToItsLines) {
  const QString text =
      "System Tray is enabled, but both Clock and Battery are off. Turn one on to show content in "
      "the tray area.";
  WrappingLabel label(text, LabelStyle{}, 2);
  const QStringList lines = label.linesForWidth(120);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("…")));
  EXPECT_EQ(label.heightForWidth(120), 2 * label.fontMetrics().lineSpacing());
  label.setMaxLines(0);
  EXPECT_GT(label.linesForWidth(120).size(), 2);
  EXPECT_EQ(label.linesForWidth(4000).size(), 1);

  ElidingLabel eliding("Feedback & Support <b>now</b>", LabelStyle{});
  EXPECT_EQ(eliding.text(), "Feedback & Support <b>now</b>");
  EXPECT_EQ(eliding.textFormat(), Qt::PlainText);
  eliding.resize(60, 20);
  EXPECT_TRUE(eliding.shownText().endsWith(QStringLiteral("…")));
}

TEST(SettingsKitTest, SymbolsDrawnForTheNamesInUse) {
  for (const char* name :
       {"paintbrush.pointed", "square.grid.2x2", "switch.2", "eye.slash", "sparkles.rectangle.stack",
        "info.circle", "info.circle.fill", "exclamationmark.triangle.fill", "square.stack.3d.up.slash.fill",
        "clock.badge.xmark", "dock.rectangle", "rectangle.bottomthird.inset.filled",
        "square.grid.3x1.below.line.grid.1x2", "text.below.photo", "square.bottomhalf.filled", "checklist",
        "rectangle.on.rectangle", "rectangle.tophalf.filled", "sidebar.left"}) {
    QPixmap image = symbolImage(name, 18, Color::white());
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(18, 18));
    // Something is drawn: not every pixel transparent.
    const QImage pixels = image.toImage();
    bool inked = false;
    for (int y = 0; y < pixels.height() && !inked; ++y)
      for (int x = 0; x < pixels.width() && !inked; ++x) inked = qAlpha(pixels.pixel(x, y)) > 0;
    EXPECT_TRUE(inked) << name;
  }
  EXPECT_FALSE(symbolExists("no.such.symbol"));
  EXPECT_TRUE(symbolImage("no.such.symbol", 18, Color::white()).isNull());
}

}  // namespace
}  // namespace pelko
