#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "settingswindow/SettingsHoverRefreshable.h"
#include "settingswindow/SettingsViewStyle.h"

class QPushButton;

namespace pelko {

class SettingsChromeView;

// One preset of the Presets page: symbol badge, title and caption, the preset's features and an
// "Apply" button that runs `action`. Hover brightens the card; the pointing hand is the card's own cursor.
// Tab reaches the button, and Space or Return presses it.
class PresetCardView : public QWidget, public SettingsHoverRefreshable {
  Q_OBJECT
 public:
  PresetCardView(const std::string& symbolName, const QString& title, const QString& features,
                 std::function<void()> action, PointerLocationSource pointer = {}, QWidget* parent = nullptr);

  bool isHovered() const { return isHovered_; }
  SettingsRenderingMode currentRenderingMode() const { return mode_; }
  void applyRenderingMode(SettingsRenderingMode mode);
  void refreshHoverState(const std::optional<QPoint>& globalPointer) override;

  // The card keeps its own minimum height; its wrapped features text never asks the page for more.
  bool hasHeightForWidth() const override { return false; }
  Color fillColor() const;
  Color borderColor() const;
  QPushButton* applyButton() const { return applyButton_; }
  SettingsChromeView* iconBadge() const { return iconBadge_; }
  QWidget* headerRow() const { return headerRow_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void setHovered(bool hovered);

  PointerLocationSource pointer_;
  QPushButton* applyButton_ = nullptr;
  SettingsChromeView* iconBadge_ = nullptr;
  QWidget* headerRow_ = nullptr;
  bool isHovered_ = false;
  SettingsRenderingMode mode_ = SettingsRenderingMode::standard;
};

}  // namespace pelko
