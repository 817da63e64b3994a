#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "foundation/Geometry.h"
#include "ui/Animator.h"

namespace pelko {

// One card of a thumbnail panel: a window's picture with its title under it, and a close control that
// shows while the pointer is on the card. A click reports the window, the close control asks for it to
// be closed, and a drag entering the card reports it too (nothing is ever dropped on a card).
class ThumbnailCard : public QWidget {
  Q_OBJECT
 public:
  using WindowCallback = std::function<void(int64_t)>;

  static constexpr double kPictureCornerRadius = 4;
  static constexpr double kCornerRadius = 6;
  static constexpr int kInset = 4;       // between the card's edge and its content
  static constexpr int kTitleGap = 4;    // between picture and title
  static constexpr int kCloseSide = 18;  // the close control, 2 points inside the top trailing corner
  static constexpr double kTitleFontSize = 10;

  // The point size a picture is shown at: fitted into 300 by 200 points and never enlarged; 200 by 130
  // for the placeholder of a window without a picture.
  static Size pictureSize(const std::optional<QImage>& picture);

  ThumbnailCard(int64_t windowNumber, std::optional<QImage> picture, const QString& title, Animator& animator,
                WindowCallback onClick, WindowCallback onClose, QWidget* parent);

  int64_t windowNumber() const { return windowNumber_; }
  WindowCallback onDragHover;

  QSize sizeHint() const override;
  QRect pictureRect() const;
  QRect closeButtonRect() const;
  bool hasPicture() const { return picture_.has_value(); }
  // The title on one line, without the controls and direction overrides another program may put in it.
  const QString& title() const { return title_; }
  // What a screen reader calls the close control: "Close " and the title as isolatedName() gives it
  // (shortened, a right-to-left title isolated), or "Close window" for a window whose title shows
  // nothing.
  QString closeButtonName() const;
  // The title as drawn, cut at the tail to the card's width.
  QString shownTitle() const;
  double closeButtonAlpha() const { return closeAlpha_; }
  // The tint of the card's background: none, hovered or pressed.
  enum class Highlight { none, hovered, pressed };
  Highlight highlight() const { return highlight_; }

  // The pointer reactions, callable without a window system (the Qt events forward here).
  void mouseEntered();
  void mouseExited();
  void mouseDown(QPoint local);
  void mouseUp(QPoint local);
  // A click on the card outside its close control, and a click on the close control; a screen reader's
  // presses come here too.
  void click();
  void closeClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void animateCloseButton(double to, double duration);

  int64_t windowNumber_;
  std::optional<QImage> picture_;
  QString title_;
  Animator& animator_;
  WindowCallback onClick_;
  WindowCallback onClose_;
  Size pictureSize_;
  Highlight highlight_ = Highlight::none;
  double closeAlpha_ = 0;
  AnimationHandle closeAnimation_;
  bool pressOnClose_ = false;
  bool pointingHandPushed_ = false;
};

}  // namespace pelko
