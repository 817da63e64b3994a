#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "foundation/Scheduler.h"
#include "settingswindow/SettingsHoverRefreshable.h"

namespace pelko {

// One searchable row of a settings page: a title with an optional information button on the left and
// one control on the right (placed by the row factory). It draws only its look: a faint fill while
// hovered, the brand flash while a search result points at it. Hover never changes the cursor; the
// controls inside get the pointing hand, each on its own widget.
class SettingsRowView : public QWidget, public SettingsHoverRefreshable {
  Q_OBJECT
 public:
  static constexpr double kSearchFlashDuration = 1.6;

  SettingsRowView(Scheduler& scheduler, std::string title, std::optional<std::string> helpText,
                  QWidget* parent = nullptr);
  ~SettingsRowView() override;

  const std::string& searchTitle() const { return searchTitle_; }
  const std::optional<std::string>& searchHelpText() const { return searchHelpText_; }
  bool isHovered() const { return isHovered_; }
  bool isSearchHighlighted() const { return isSearchHighlighted_; }

  void flashSearchHighlight();
  void refreshHoverState(const std::optional<QPoint>& globalPointer) override;
  // Gives every control under `view` (buttons, switches, pop-ups, segmented controls, steppers) the
  // pointing-hand cursor, without looking inside a control.
  void addHandCursors(QWidget* view);

  enum class Look { clear, hovered, highlighted };
  Look look() const;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void setHovered(bool hovered);

  Scheduler& scheduler_;
  std::string searchTitle_;
  std::optional<std::string> searchHelpText_;
  WorkItemPtr highlightResetWorkItem_;
  bool isHovered_ = false;
  bool isSearchHighlighted_ = false;
};

}  // namespace pelko
