#pragma once

#include <QWidget>

namespace pelko {

class WrappingLabel;

// A small transient bubble with one text, shown next to the control that opened it; a click outside
// closes it (a popup window). Made once by its owner and reused.
class InfoPopover : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTextWidth = 230;
  explicit InfoPopover(const QString& text, QWidget* parent = nullptr);

  QString text() const;
  // Shows the bubble under `anchor` (its bottom edge, centred on it), kept on the anchor's screen.
  void showBelow(QWidget* anchor);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  WrappingLabel* label_;
};

}  // namespace pelko
