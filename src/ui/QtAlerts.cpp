#include "ui/QtAlerts.h"

#include <QAbstractButton>
#include <QPushButton>

#include "ui/PlainText.h"

namespace pelko {

namespace {
QMessageBox::Icon iconFor(platform::AlertContent::Style style) {
  switch (style) {
    case platform::AlertContent::Style::informational:
      return QMessageBox::Information;
    case platform::AlertContent::Style::warning:
      return QMessageBox::Warning;
    case platform::AlertContent::Style::critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::Warning;
}
}  // namespace

std::unique_ptr<QMessageBox> QtAlerts::makeBox(const platform::AlertContent& alert) {
  auto box = std::make_unique<QMessageBox>();
  box->setIcon(iconFor(alert.style));
  setPlainMessage(*box, QString::fromStdString(alert.messageText),
                  QString::fromStdString(alert.informativeText));
  // One role for every button: the box then keeps them in the order they were added instead of sorting
  // them by role the way the desktop's style would.
  for (const std::string& title : alert.buttons) {
    QPushButton* button =
        box->addButton(plainButtonTitle(QString::fromStdString(title)), QMessageBox::ActionRole);
    if (box->buttons().size() == 1) box->setDefaultButton(button);
  }
  if (alert.buttons.empty()) box->addButton(QMessageBox::Ok);
  return box;
}

int QtAlerts::runModal(const platform::AlertContent& alert) {
  auto box = makeBox(alert);
  box->setWindowModality(Qt::ApplicationModal);
  box->exec();
  const int index = static_cast<int>(box->buttons().indexOf(box->clickedButton()));
  return index < 0 ? 0 : index;
}

}  // namespace pelko
