#include "ui/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace pelko {
namespace {

// Built, shown (offscreen) so its buttons are laid out, never run: nothing waits for a click.
TEST(QtAlertsTest, TheBoxShowsItsTextsPlainAndItsButtonsInTheGivenOrderFirstAsDefault) {
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::critical;
  alert.messageText = "<b>Cannot move \"a&b.txt\"</b>";
  alert.informativeText = "<i>Permission denied</i>";
  alert.buttons = {"Quit & Restore", "Keep", "Cancel"};
  auto box = QtAlerts::makeBox(alert);
  box->show();

  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->text(), "<b>Cannot move \"a&b.txt\"</b>");
  auto* informative = box->findChild<QLabel*>("qt_msgbox_informativelabel");
  ASSERT_NE(informative, nullptr);
  EXPECT_EQ(informative->textFormat(), Qt::PlainText);
  EXPECT_EQ(informative->text(), "<i>Permission denied</i>");

  // Left to right as given, whatever the desktop's button order for their roles would be.
  std::vector<QAbstractButton*> buttons;
  for (QAbstractButton* button : box->buttons()) buttons.push_back(button);
  std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
    return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
  });
  std::vector<QString> titles;
  for (QAbstractButton* button : buttons) titles.push_back(button->text());
  EXPECT_EQ(titles, (std::vector<QString>{"Quit && Restore", "Keep", "Cancel"}));
  EXPECT_EQ(box->defaultButton(), buttons.front());
  EXPECT_EQ(box->buttons().indexOf(buttons[1]), 1) << "runModal answers with the index as given";
  box->close();
}

}  // namespace
}  // namespace pelko
