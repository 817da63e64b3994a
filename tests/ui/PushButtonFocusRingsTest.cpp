// Push buttons show where the keyboard is: reached by Tab, Shift+Tab or a shortcut, a plain or a flat
// push button is ringed in the accent colour just outside its bounds, as the settings window's controls
// are; focused by a click or by the program, it is not; and a button with a ring of its own keeps that
// one alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "ui/FocusRing.h"
#include "ui/PushButtonFocusRings.h"
#include "ui/SemanticColors.h"

namespace pelko {
namespace {

class PushButtonFocusRingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installPushButtonFocusRings();
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

  // The pixels of the ring's colour in the band 3 points wide just outside `button`, in a picture of the
  // window; the button's own drawing, the widget kit's focus outline included, lies inside its bounds.
  int ringPixels(const QPushButton& button) {
    QApplication::processEvents();
    const QImage picture = window.grab().toImage();
    const double scale = picture.devicePixelRatio();
    const QRect inner(button.mapTo(&window, QPoint(0, 0)), button.size());
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

  QWidget window;
  QPushButton* first = new QPushButton("First");
  QPushButton* plain = new QPushButton("Plain");
  QPushButton* flat = new QPushButton("Remove");
  QPushButton* last = new QPushButton("Last");
};

TEST_F(PushButtonFocusRingsTest, ARingShowsAroundAButtonTheKeyboardReachedAndNoOther) {
  struct Case {
    const char* how;
    QPushButton* button;
    std::function<void()> focus;
    bool ring;
  };
  const Case cases[] = {
      {"Tab onto a plain button", plain, [this] { QTest::keyClick(first, Qt::Key_Tab); }, true},
      {"Shift+Tab onto a flat button", flat,
       [this] { QTest::keyClick(last, Qt::Key_Tab, Qt::ShiftModifier); }, true},
      {"a shortcut's focus", plain, [this] { plain->setFocus(Qt::ShortcutFocusReason); }, true},
      {"a click on a plain button", plain, [this] { QTest::mouseClick(plain, Qt::LeftButton); }, false},
      {"a click on a flat button", flat, [this] { QTest::mouseClick(flat, Qt::LeftButton); }, false},
      {"the program's focus", plain, [this] { plain->setFocus(Qt::OtherFocusReason); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    QPushButton& button = *c.button;
    // The focus elsewhere: no ring, whether or not the button had one before.
    (&button == flat ? last : first)->setFocus(Qt::OtherFocusReason);
    ASSERT_FALSE(button.hasFocus());
    EXPECT_EQ(ringPixels(button), 0);

    c.focus();
    ASSERT_TRUE(button.hasFocus());
    const int around = ringPixels(button);
    if (c.ring) {
      // At least once all the way round the button.
      EXPECT_GE(around, 2 * (button.width() + button.height()));
    } else {
      EXPECT_EQ(around, 0);
    }
  }
}

TEST_F(PushButtonFocusRingsTest, AButtonWithARingOfItsOwnKeepsThatOneAlone) {
  // The guide's buttons ring whenever they have the focus, the program's too.
  new FocusRing(*plain, 4);
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(plain->hasFocus());
  int rings = 0;
  for (FocusRing* ring : window.findChildren<FocusRing*>()) rings += ring->control() == plain;
  EXPECT_EQ(rings, 1);
  first->setFocus(Qt::OtherFocusReason);
  plain->setFocus(Qt::OtherFocusReason);
  EXPECT_GE(ringPixels(*plain), 2 * (plain->width() + plain->height()));
}

}  // namespace
}  // namespace pelko
