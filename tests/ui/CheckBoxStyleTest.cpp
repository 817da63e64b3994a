// The settings window's check boxes on a settings row: off, the box's outline stands out from the row
// (the widget kit drew it nearly in the row's own colour); on, the box is the accent colour.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QStyleOptionButton>

#include "ui/CheckBoxStyle.h"
#include "ui/SemanticColors.h"

namespace pelko {
namespace {

// The largest difference in grey level between the box's pixels and the row behind it.
int contrastOfBox(QCheckBox& box, const QColor& row) {
  const QImage picture = box.grab().toImage();
  QStyleOptionButton option;
  option.initFrom(&box);
  const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
  int most = 0;
  for (int y = indicator.top(); y <= indicator.bottom(); ++y)
    for (int x = indicator.left(); x <= indicator.right(); ++x)
      most = std::max(most, std::abs(qGray(picture.pixel(x, y)) - qGray(row.rgb())));
  return most;
}

TEST(CheckBoxStyleTest, AnOffBoxStandsOutFromItsRowAndAnOnBoxIsTheAccentColour) {
  const QColor row(36, 36, 36);
  QWidget surface;
  surface.setAutoFillBackground(true);
  QPalette palette = semanticPalette();
  palette.setColor(QPalette::Window, row);
  surface.setPalette(palette);
  auto* layout = new QHBoxLayout(&surface);
  auto* box = new QCheckBox("Top");
  layout->addWidget(box);
  applyCheckBoxStyle(*box);
  surface.resize(120, 40);
  surface.show();

  EXPECT_GE(contrastOfBox(*box, row), 60);

  box->setChecked(true);
  const QImage picture = box->grab().toImage();
  QStyleOptionButton option;
  option.initFrom(box);
  const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
  // Low in the box, away from the check mark.
  const QColor fill = picture.pixelColor(indicator.left() + 5, indicator.bottom() - 5);
  EXPECT_EQ(fill, QColor(10, 132, 255));
}

}  // namespace
}  // namespace pelko
