// Push buttons show where the keyboard is, by the one rule every focus ring of the program follows: once
// the keyboard has moved the focus (Tab, Shift+Tab, an arrow key, a shortcut, or a key that turned a page
// or opened a window), the control with the focus is ringed in the accent colour just outside its
// bounds; in a flow driven by the mouse alone it is not. A window brought back to the front shows its
// focus as it was; a button with a ring of its own keeps that one, which follows the same rule; and an
// alert or a colour panel opened by a click leaves no ring behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <functional>

#include "ui/CheckBoxStyle.h"
#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/FocusRing.h"
#include "ui/PushButtonFocusRings.h"
#include "ui/QtAlerts.h"
#include "ui/SemanticColors.h"

namespace pelko {
namespace {

// The pixels of the ring's colour in the band 3 points wide just outside `control`, in a picture of
// `window`; the control's own drawing, the widget kit's focus outline included, lies inside its bounds.
int ringPixels(QWidget& window, const QWidget& control) {
  QApplication::processEvents();
  const QImage picture = window.grab().toImage();
  const double scale = picture.devicePixelRatio();
  const QRect inner(control.mapTo(&window, QPoint(0, 0)), control.size());
  const QRect outer = inner.adjusted(-3, -3, 3, 3);
  const QColor accent(10, 132, 255);
  int count = 0;
  for (int y = outer.top(); y <= outer.bottom(); ++y)
    for (int x = outer.left(); x <= outer.right(); ++x) {
      if (inner.contains(x, y)) continue;
      const QColor p = picture.pixelColor(QPoint(x, y) * scale);
      count += std::abs(p.red() - accent.red()) + std::abs(p.green() - accent.green()) +
                   std::abs(p.blue() - accent.blue()) <
               90;
    }
  return count;
}

// At least once all the way round the control.
bool ringedAllRound(QWidget& window, const QWidget& control) {
  return ringPixels(window, control) >= 2 * (control.width() + control.height());
}

void click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
}

// A window of four buttons in a row, the third flat, shown and active.
struct ButtonRow {
  ButtonRow() {
    window.setPalette(semanticPalette());
    window.setAutoFillBackground(true);
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    for (QPushButton* button : {first, plain, flat, last}) row->addWidget(button);
    flat->setFlat(true);
    window.resize(420, 60);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
  }

  QWidget window;
  QPushButton* first = new QPushButton("First");
  QPushButton* plain = new QPushButton("Plain");
  QPushButton* flat = new QPushButton("Remove");
  QPushButton* last = new QPushButton("Last");
};

class PushButtonFocusRingsTest : public ::testing::Test {
 protected:
  void SetUp() override { installPushButtonFocusRings(); }
  int ringPixels(const QWidget& control) { return pelko::ringPixels(buttons.window, control); }
  bool ringedAllRound(const QWidget& control) { return pelko::ringedAllRound(buttons.window, control); }

  ButtonRow buttons;
  QWidget& window = buttons.window;
  QPushButton* first = buttons.first;
  QPushButton* plain = buttons.plain;
  QPushButton* flat = buttons.flat;
  QPushButton* last = buttons.last;
};

TEST_F(PushButtonFocusRingsTest, ARingShowsOnceTheKeyboardMovedTheFocusAndNotAfterTheMouse) {
  struct Case {
    const char* how;
    QPushButton* button;
    std::function<void()> focus;
    bool ring;
  };
  const auto programFocus = [this] { plain->setFocus(Qt::OtherFocusReason); };
  // A key on the first button, then the program moves the focus in answer to it.
  const auto programFocusAfter = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    return std::function<void()>([&, key, modifiers] {
      QTest::keyClick(first, key, modifiers);
      programFocus();
    });
  };
  auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), &window);
  QObject::connect(shortcut, &QShortcut::activated, plain,
                   [this] { plain->setFocus(Qt::ShortcutFocusReason); });
  const Case cases[] = {
      {"Tab onto a plain button", plain, [this] { QTest::keyClick(first, Qt::Key_Tab); }, true},
      {"Shift+Tab onto a flat button", flat,
       [this] { QTest::keyClick(last, Qt::Key_Tab, Qt::ShiftModifier); }, true},
      {"a shortcut's focus", plain, [this] { QTest::keyClick(first, Qt::Key_P, Qt::ControlModifier); }, true},
      {"a click on a plain button", plain, [this] { click(plain); }, false},
      {"a click on a flat button", flat, [this] { click(flat); }, false},
      // The widget kit tells a dialog's default button that the focus came by Tab as the dialog opens,
      // before the dialog has the keyboard, whatever opened it.
      {"a click, then the kit's word to a button without the focus", last,
       [this] {
         click(last);
         QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
         QApplication::sendEvent(plain, &tab);
         last->update();
       },
       false},
      {"the program's focus after a click", plain, programFocus, false},
      // The program moves the focus in answer to a key: a page turned or a window opened by it.
      {"the program's focus after Return", plain, programFocusAfter(Qt::Key_Return), true},
      {"the program's focus after Space", plain, programFocusAfter(Qt::Key_Space), true},
      {"the program's focus after an arrow key", plain, programFocusAfter(Qt::Key_Down), true},
      {"the program's focus after Control-2", plain, programFocusAfter(Qt::Key_2, Qt::ControlModifier), true},
      // Escape closes and typed text types; neither moves the focus, and after a click neither draws it.
      {"the program's focus after a click and Escape", plain, programFocusAfter(Qt::Key_Escape), false},
      {"the program's focus after a click and a letter", plain, programFocusAfter(Qt::Key_A), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    QPushButton& button = *c.button;
    // The focus elsewhere, given by a click: no ring, whether or not the button had one before.
    click(&button == flat ? last : first);
    ASSERT_FALSE(button.hasFocus());
    EXPECT_EQ(ringPixels(button), 0);

    c.focus();
    ASSERT_TRUE(button.hasFocus());
    if (c.ring) {
      EXPECT_TRUE(ringedAllRound(button)) << ringPixels(button);
    } else {
      EXPECT_EQ(ringPixels(button), 0);
    }
  }
}

// Another window takes the keyboard and gives it back: the button's focus is drawn again as it was,
// whatever was pressed or clicked in the other window. A window closed and opened again starts afresh.
TEST_F(PushButtonFocusRingsTest, AWindowBroughtBackShowsItsFocusAsItWasAndOneOpenedAgainStartsAfresh) {
  ButtonRow other;
  struct Case {
    const char* how;
    std::function<void()> give, elsewhere;
    bool given;   // whether the ring shows as the focus is given
    bool reopen;  // whether the window is closed and opened again meanwhile
    bool ring;    // whether it shows when the window has the keyboard back
  };
  const Case cases[] = {
      {"given by Tab, then a click in the other window", [this] { QTest::keyClick(first, Qt::Key_Tab); },
       [&] { click(other.plain); }, true, false, true},
      {"given by a click, then Tab in the other window", [this] { click(plain); },
       [&] { QTest::keyClick(other.first, Qt::Key_Tab); }, false, false, false},
      {"given by Tab, then the window closed and opened again by a click",
       [this] { QTest::keyClick(first, Qt::Key_Tab); }, [&] { click(other.plain); }, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    QApplication::setActiveWindow(&window);
    click(first);
    c.give();
    ASSERT_TRUE(plain->hasFocus());
    EXPECT_EQ(ringedAllRound(*plain), c.given);

    if (c.reopen) window.hide();
    QApplication::setActiveWindow(&other.window);
    c.elsewhere();
    EXPECT_FALSE(plain->hasFocus());
    EXPECT_EQ(ringPixels(*plain), 0);
    if (c.reopen) window.show();
    QApplication::setActiveWindow(&window);

    ASSERT_TRUE(plain->hasFocus());
    EXPECT_EQ(ringedAllRound(*plain), c.ring) << ringPixels(*plain);
  }
}

TEST_F(PushButtonFocusRingsTest, AButtonWithARingOfItsOwnKeepsThatOneAloneAndItFollowsTheRule) {
  // The first-run guide's buttons have rings of their own.
  new FocusRing(*plain, 4);
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(plain->hasFocus());
  int rings = 0;
  for (FocusRing* ring : window.findChildren<FocusRing*>()) rings += ring->control() == plain;
  EXPECT_EQ(rings, 1);
  EXPECT_TRUE(ringedAllRound(*plain));

  click(first);
  click(plain);
  EXPECT_EQ(ringPixels(*plain), 0) << "a click";
  click(first);
  plain->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(ringPixels(*plain), 0) << "the program's focus after a click";
}

// Tab on a window with one control leaves the focus where it is, and no focus event comes; the ring
// shows all the same, as the user asked where the focus is.
TEST_F(PushButtonFocusRingsTest, TabWithNowhereElseToGoShowsTheFocusWhereItIs) {
  for (QPushButton* other : {first, flat, last}) other->setFocusPolicy(Qt::NoFocus);
  click(plain);
  ASSERT_TRUE(plain->hasFocus());
  EXPECT_EQ(ringPixels(*plain), 0) << "a click";
  QTest::keyClick(plain, Qt::Key_Tab);
  ASSERT_TRUE(plain->hasFocus());
  EXPECT_TRUE(ringedAllRound(*plain)) << ringPixels(*plain);
}

// A check box draws its ring itself, inside its bounds around the box, by the same rule.
TEST_F(PushButtonFocusRingsTest, ACheckBoxDrawsItsRingByTheSameRule) {
  auto* box = new QCheckBox("Show Battery");
  applyCheckBoxStyle(*box);
  window.layout()->addWidget(box);
  box->show();
  QApplication::processEvents();
  // The accent's pixels on the check box; unchecked, only its ring has any.
  const auto accentPixels = [&] {
    QApplication::processEvents();
    const QImage picture = box->grab().toImage();
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QColor p = picture.pixelColor(x, y);
        count += std::abs(p.red() - 10) + std::abs(p.green() - 132) + std::abs(p.blue() - 255) < 90;
      }
    return count;
  };
  click(box);
  click(box);
  ASSERT_TRUE(box->hasFocus());
  ASSERT_FALSE(box->isChecked());
  EXPECT_EQ(accentPixels(), 0) << "clicked";
  QTest::keyClick(box, Qt::Key_Tab, Qt::ShiftModifier);
  QTest::keyClick(last, Qt::Key_Tab);
  ASSERT_TRUE(box->hasFocus());
  EXPECT_GE(accentPixels(), 40) << "reached with Tab";
}

// An alert's default button has the focus as the alert opens: drawn when a key opened the alert, not
// when a click did.
TEST_F(PushButtonFocusRingsTest, AnAlertRingsItsDefaultButtonOnlyWhenAKeyOpenedIt) {
  struct Case {
    const char* how;
    std::function<void()> open;
    bool ring;
  };
  const Case cases[] = {
      {"a click", [this] { click(plain); }, false},
      {"Space", [this] { QTest::keyClick(plain, Qt::Key_Space); }, true},
  };
  platform::AlertContent alert;
  alert.messageText = "Hide Notes from Taskbar?";
  alert.buttons = {"Hide", "Cancel"};
  alert.cancelButton = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    QApplication::setActiveWindow(&window);
    click(first);
    std::unique_ptr<QMessageBox> box = QtAlerts::makeBox(alert, alertOwner(&window));
    QObject::connect(plain, &QPushButton::clicked, box.get(), &QWidget::show);
    c.open();
    ASSERT_TRUE(box->isVisible());
    QApplication::setActiveWindow(box.get());
    QPushButton* hide = box->defaultButton();
    ASSERT_NE(hide, nullptr);
    ASSERT_TRUE(hide->hasFocus());
    if (c.ring) {
      EXPECT_TRUE(pelko::ringedAllRound(*box, *hide)) << pelko::ringPixels(*box, *hide);
    } else {
      EXPECT_EQ(pelko::ringPixels(*box, *hide), 0);
    }
  }
}

// The colour panel opened from a well and closed with Escape hands the keyboard back to the well: its
// ring shows again only if the keyboard had brought the focus there.
TEST_F(PushButtonFocusRingsTest, AColourWellShowsItsRingAfterItsPanelClosesOnlyWhenTheKeyboardOpenedIt) {
  auto* well = new ColorWell;
  well->setFixedSize(44, 24);
  window.layout()->addWidget(well);
  QApplication::processEvents();
  struct Case {
    const char* how;
    std::function<void()> open;
    bool ring;
  };
  const Case cases[] = {
      {"a click", [&] { click(well); }, false},
      {"Tab, then Space",
       [&] {
         QTest::keyClick(last, Qt::Key_Tab);
         ASSERT_TRUE(well->hasFocus());
         QTest::keyClick(well, Qt::Key_Space);
       },
       true},
  };
  ColorPanel& panel = ColorPanel::shared();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    QApplication::processEvents();  // the window system's word that the panel closed
    QApplication::setActiveWindow(&window);
    click(last);
    c.open();
    ASSERT_TRUE(panel.isVisible());
    // The window system gives the panel the keyboard, and gives it back when the panel closes.
    QApplication::setActiveWindow(&panel);
    QWidget* typedInto = panel.focusWidget() ? panel.focusWidget() : &panel;
    QTest::keyClick(typedInto, Qt::Key_Escape);
    ASSERT_FALSE(panel.isVisible());
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(well->hasFocus());
    if (c.ring) {
      EXPECT_TRUE(pelko::ringedAllRound(window, *well)) << pelko::ringPixels(window, *well);
    } else {
      EXPECT_EQ(pelko::ringPixels(window, *well), 0);
    }
  }
  panel.close();
}

}  // namespace
}  // namespace pelko
