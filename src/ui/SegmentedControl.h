#pragma once

#include <QStringList>
#include <QWidget>

namespace pelko {

// A row of mutually exclusive segments. setSelectedSegment() shows a value silently; a click on
// another segment (or the arrow keys, or a screen reader pressing a segment) sends
// `segmentSelectedByUser`. Over the accessibility bus it is a tab list whose segments are tabs, each
// selectable and pressable by its label.
class SegmentedControl : public QWidget {
  Q_OBJECT
 public:
  explicit SegmentedControl(const QStringList& labels, QWidget* parent = nullptr);

  int segmentCount() const { return static_cast<int>(labels_.size()); }
  QString label(int segment) const { return labels_.value(segment); }
  int selectedSegment() const { return selected_; }
  // -1 selects nothing; an index without a segment is ignored.
  void setSelectedSegment(int segment);
  // The user choosing `segment`; answers whether the selection changed.
  bool selectByUser(int segment);
  QRect segmentRect(int segment) const;

  QSize sizeHint() const override;

 signals:
  void segmentSelectedByUser(int segment);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void setSelected(int segment);

  QStringList labels_;
  int selected_ = -1;
};

}  // namespace pelko
