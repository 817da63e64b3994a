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
// on the recommended one) and its summary. A click that ends inside the card chooses it and runs its
// action. For the keyboard and a screen reader it is a push button named by its title: Tab reaches it
// (the arrow keys move between the cards of its grid) and draws the focus ring, Space and Return choose
// it, a press over the accessibility bus chooses it, and the chosen card is reported selected.
class OnboardingPresetCardView final : public QWidget {
  Q_OBJECT
 public:
  enum class Look { normal, hovered, pressed };

  static constexpr int kWidth = 210;
  static constexpr int kMinimumHeight = 76;

  OnboardingPresetCardView(TaskbarPresetID preset, bool recommended, QWidget* parent = nullptr);

  // Run when a press on the card is released inside it; nothing happens without one.
  std::function<void()> action;

  // The user's choice of this card, by click, key or screen reader: it becomes the selected card of its
  // grid, then its action runs.
  void choose();

  TaskbarPresetID preset() const { return preset_; }
  bool isSelected() const { return isSelected_; }
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
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void setLook(Look look);
  void setSelected(bool selected);
  void layoutContent();
  // The card of the same grid next to this one in the direction (dx, dy); null at the grid's edge.
  OnboardingPresetCardView* neighbour(int dx, int dy) const;

  TaskbarPresetID preset_;
  bool isHovered_ = false;
  bool isSelected_ = false;
  Look look_ = Look::normal;
  QLabel* title_;
  QLabel* tag_ = nullptr;
  QLabel* summary_;
};

}  // namespace pelko
