#pragma once

#include <QAbstractButton>
#include <string>

#include "foundation/Color.h"

class QLabel;

namespace pelko {

class ElidingLabel;
class WrappingLabel;

// One page button of the sidebar: an accent bar (drawn by the button), the page symbol, the title and a
// two-line summary. The pointing hand shows over it through its own cursor, which Qt shows only while the
// pointer is on the button: nothing is pushed that a removed button could leave behind.
class SettingsSidebarButton : public QAbstractButton {
  Q_OBJECT
 public:
  SettingsSidebarButton(const std::string& symbolName, const QString& title, const QString& summary,
                        QWidget* parent = nullptr);

  bool isHovered() const { return isHovered_; }
  bool isCurrentSelection() const { return isCurrentSelection_; }
  void setCurrentSelection(bool selected);

  struct Appearance {
    Color background;
    Color border;
    Color iconTint;
    Color summaryText;
    double barAlpha = 0;
    bool operator==(const Appearance&) const = default;
  };
  Appearance appearance() const;
  const QString& summaryText() const;

  QSize sizeHint() const override;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateAppearance();

  std::string symbolName_;
  QLabel* iconView_;
  ElidingLabel* titleLabel_;
  WrappingLabel* summaryLabel_;
  bool isHovered_ = false;
  bool isCurrentSelection_ = false;
};

}  // namespace pelko
