#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <unordered_map>
#include <vector>

#include "ui/Animator.h"
#include "ui/StackLayout.h"

namespace pelko {

// A row or column of arranged views laid out by layoutStack(). Views are measured through the standard
// size properties: the length along the axis from sizeHint() within minimumSize()..maximumSize(), the
// length across from sizeHint(). A view keeps at least its minimumSizeHint() while there is room; a
// stack short of room squeezes it down to its minimumSize(). A view removed from the arranged views stays a
// child (so it can fade out where it stood) until someone removes it from the stack.
class StackView : public QWidget {
  Q_OBJECT
 public:
  explicit StackView(Qt::Orientation orientation, QWidget* parent = nullptr);

  Qt::Orientation orientation() const { return orientation_; }
  void setSpacing(double spacing);
  double spacing() const { return spacing_; }
  void setEqualLengthRule(std::optional<EqualLengthRule> rule);
  const std::optional<EqualLengthRule>& equalLengthRule() const { return equalLength_; }

  std::vector<QWidget*> arrangedSubviews() const;
  // Makes `view` a child (if it is not one) and appends it; a view already arranged is moved to the end.
  void addArrangedSubview(QWidget* view);
  // Replaces the arranged views by `views` in that order, with one layout pass. Views that leave the
  // arrangement stay children.
  void setArrangedSubviews(const std::vector<QWidget*>& views);
  // Takes `view` out of the arranged views; it stays a child where it was last placed.
  void removeArrangedSubview(QWidget* view);
  // As setArrangedSubviews, with the views that move sliding to their new places over `duration`
  // seconds. The next layout pass ends the slide where the views belong.
  void slideArrangedSubviews(const std::vector<QWidget*>& views, Animator& animator, double duration);
  // Where the last layout placed `view` (while sliding, where it is going); its geometry when it is not
  // arranged.
  QRect arrangedFrame(const QWidget* view) const;

  // Places the arranged views for the current size now.
  void layoutArrangedSubviews();
  // The length along the axis the arranged views take in the last layout, spacing included.
  double contentLength() const { return contentLength_; }
  // The length along the axis the arranged views would take with room to spare.
  double naturalContentLength() const;

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  void childEvent(QChildEvent* event) override;

 private:
  StackItemMetrics metricsOf(const QWidget& view) const;

  Qt::Orientation orientation_;
  double spacing_ = 0;
  std::optional<EqualLengthRule> equalLength_;
  std::vector<QPointer<QWidget>> arranged_;
  std::unordered_map<const QWidget*, QRect> frames_;
  AnimationHandle slide_;
  double contentLength_ = 0;
};

}  // namespace pelko
