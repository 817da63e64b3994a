#pragma once

#include <QAbstractButton>
#include <QPointer>

#include "ui/InfoPopover.h"

namespace pelko {

// The small "i" next to a row title; a click shows the row's help text in a popover, a second click
// (or any click outside) closes it. The popover is made on first use and reused. Tab reaches it, and
// Space or Return does what a click does.
class InfoPopoverButton : public QAbstractButton {
  Q_OBJECT
 public:
  static constexpr const char* kNoDetails = "No additional details available.";

  explicit InfoPopoverButton(const QString& helpText, QWidget* parent = nullptr);

  const QString& helpText() const { return helpText_; }
  InfoPopover* popover() const { return popover_; }
  void togglePopover();
  QSize sizeHint() const override { return {20, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString helpText_;
  QPointer<InfoPopover> popover_;
};

}  // namespace pelko
