#pragma once

#include <QPainterPath>
#include <QWidget>

#include "foundation/Color.h"

namespace pelko {

// The materials a blurred background can have.
enum class VisualEffectMaterial {
  hudWindow,
  menu,
  popover,
  sidebar,
  underWindowBackground,
  windowBackground
};
// Whether the blur shows what lies behind the window or behind the view inside the window.
enum class VisualEffectBlending { behindWindow, withinWindow };
// Whether the material looks active always, never, or as its window does.
enum class VisualEffectState { followsWindowActiveState, active, inactive };

// A blurred, vibrant background. The window system here cannot blur what lies behind a window, so the
// view keeps the material, blending and state and paints the material's tint, its nearest likeness.
class VisualEffectView : public QWidget {
  Q_OBJECT
 public:
  explicit VisualEffectView(QWidget* parent = nullptr);

  VisualEffectMaterial material() const { return material_; }
  void setMaterial(VisualEffectMaterial material);
  VisualEffectBlending blendingMode() const { return blending_; }
  void setBlendingMode(VisualEffectBlending blending) { blending_ = blending; }
  VisualEffectState state() const { return state_; }
  void setState(VisualEffectState state);

  // The colour painted for a material (dark, translucent materials as the system's dark appearance
  // shows them).
  static Color tintOf(VisualEffectMaterial material, VisualEffectState state);
  // The shape the tint fills, in the view's coordinates (drawn anti-aliased); empty: the whole view.
  void setClipShape(const QPainterPath& shape);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  VisualEffectMaterial material_ = VisualEffectMaterial::underWindowBackground;
  VisualEffectBlending blending_ = VisualEffectBlending::behindWindow;
  VisualEffectState state_ = VisualEffectState::followsWindowActiveState;
  QPainterPath clipShape_;
};

}  // namespace pelko
