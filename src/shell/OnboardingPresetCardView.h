#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

#include "settings/TaskbarPreset.h"

class QLabel;

namespace pelko {

// The onboarding's accent: an opaque amber.
QColor onboardingAccentColor();

// A clickable card for one preset: a badge with the preset's symbol, its title (with a "Recommended" tag
// on the recommended one) and its summary. A click that ends inside the card runs its action.
class OnboardingPresetCardView final : public QWidget {
  Q_OBJECT
 public:
  enum class Look { normal, hovered, pressed };

  static constexpr int kWidth = 210;
  static constexpr int kMinimumHeight = 76;

  OnboardingPresetCardView(TaskbarPresetID preset, bool recommended, QWidget* parent = nullptr);

  // Run when a press on the card is released inside it; nothing happens without one.
  std::function<void()> action;

  TaskbarPresetID preset() const { return preset_; }
  bool isRecommended() const { return tag_ != nullptr; }
  bool isHovered() const { return isHovered_; }
  Look look() const { return look_; }
  QColor backgroundColor() const;
  QColor borderColor() const;
  // The symbol the badge stands for, as the platform names it.
  QString symbolName() const;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void setLook(Look look);
  void layoutContent();

  TaskbarPresetID preset_;
  bool isHovered_ = false;
  Look look_ = Look::normal;
  QLabel* title_;
  QLabel* tag_ = nullptr;
  QLabel* summary_;
};

}  // namespace pelko
