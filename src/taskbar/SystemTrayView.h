#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "foundation/Cancellable.h"
#include "foundation/Color.h"
#include "foundation/Scheduler.h"
#include "settings/SettingEnumerations.h"

class QLabel;

namespace pelko {

class BatteryFillView;
class BatteryIconView;
class SettingsManager;
class SystemTrayManager;

// The tray at the far end of a bar: the battery (glyph and percentage) beside the clock (time over
// date), a thin separator at its start edge, and behind them the optional charge fill across the whole
// tray. Once bound it keeps itself current: texts from the tray manager, fonts, alignments and what
// shows from the settings, text colours from the bar's background by its contrast with white text.
class SystemTrayView : public QWidget {
  Q_OBJECT
 public:
  // The text colour pairs (primary, secondary) for a dark and a light background.
  struct TextColors {
    Color primary;
    Color secondary;
  };
  static constexpr Color kSecondaryColor = Color::fromWhite(0.7);
  static constexpr TextColors kDarkTextColors{Color::white(), Color::fromWhite(0.7)};
  static constexpr TextColors kLightTextColors{Color::black(), Color::fromWhite(0.3)};
  // The separator line on a dark and on a light background.
  static constexpr Color kDarkSeparatorColor = Color::fromWhite(1, 0.15);
  static constexpr Color kLightSeparatorColor = Color::fromWhite(0, 0.15);

  explicit SystemTrayView(Scheduler& scheduler, QWidget* parent = nullptr);
  ~SystemTrayView() override;

  // Replaces every earlier subscription. Without settings the battery shows as glyph and percentage,
  // colour coded, in the `battery` style, and colours, fonts and alignments keep their first values.
  void bind(SystemTrayManager& manager, SettingsManager* settings);
  // Stacks the battery above the clock and the glyph above the percentage, without the separator.
  void configureForVerticalLayout();

  // The contrast of white text on `background` (WCAG 2), and whether light text is wanted there.
  static double whiteTextContrast(const Color& background);
  static bool wantsLightText(const Color& background);

  // The parts, for the bar and for tests.
  QLabel* timeLabel() const { return timeLabel_; }
  QLabel* dateLabel() const { return dateLabel_; }
  QLabel* batteryPercentLabel() const { return batteryPercentLabel_; }
  BatteryIconView* batteryIconView() const { return batteryIconView_; }
  BatteryFillView* batteryFillView() const { return batteryFillView_; }
  QWidget* batteryStack() const { return batteryStack_; }
  QWidget* clockStack() const { return clockStack_; }
  QWidget* stackView() const { return stackView_; }
  QWidget* separator() const { return separator_; }
  Color separatorColor() const;
  // The last contrast decision (true: light text); nothing before the first.
  std::optional<bool> lastLuminanceBracket() const { return lastLuminanceBracket_; }

  // Where the groups and their views go: the battery group (glyph beside, or above, the percentage)
  // and the clock (time over date, equally wide) side by side, or stacked on a vertical bar, each
  // centred across; hidden views take no room. Group frames are relative to the content's origin,
  // the views' frames to their group's.
  struct LayoutInput {
    QSize glyph, percentage, time, date;
    bool batteryShown = true, glyphShown = true, percentageShown = true, clockShown = true;
    bool vertical = false;
  };
  struct Layout {
    QSize content;
    QRect batteryGroup, glyph, percentage, clockGroup, time, date;
  };
  static Layout layoutContent(const LayoutInput& input);

  QSize sizeHint() const override;
  // Called whenever the natural size may have changed (new texts, fonts, shown parts), so that the bar
  // can give the tray its new room.
  std::function<void()> onSizeHintChanged;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct BatteryState {
    std::optional<int> level;
    bool charging = false;
    bool hasBattery = false;
    bool showBattery = true;
    bool showPercentage = true;
    bool showIcon = true;
    bool colorCoded = true;
    double fontSize = 10;
    BatteryIconStyle style = BatteryIconStyle::battery;
  };

  void updateTextColors(const Color& background);
  void setSeparatorColor(const Color& color);
  void updateBattery(const BatteryState& state);
  void setClockFontSize(double size);
  void setClockText(QLabel* label, const QString& text);
  // Gives time and date their fonts and texts: on a vertical bar as much of each as fits across it.
  void fitClock();
  void setTrayFontSize(double size);
  void setClockShown(bool shown);
  // Shows the views that are on, hides the others and lays the tray out again.
  void arrangeShownViews();
  void layoutContents();

  Scheduler& scheduler_;
  QLabel* timeLabel_ = nullptr;
  QLabel* dateLabel_ = nullptr;
  BatteryIconView* batteryIconView_ = nullptr;
  QLabel* batteryPercentLabel_ = nullptr;
  QWidget* batteryStack_ = nullptr;
  QWidget* clockStack_ = nullptr;
  QWidget* stackView_ = nullptr;
  QWidget* separator_ = nullptr;
  BatteryFillView* batteryFillView_ = nullptr;
  CancellableBag cancellables_;
  std::optional<bool> lastLuminanceBracket_;
  bool vertical_ = false;
  double clockFontSize_ = 11;
  QString timeText_, dateText_;
  bool batteryShown_ = true;
  bool iconShown_ = true;
  bool percentageShown_ = true;
  bool clockShown_ = true;
};

}  // namespace pelko
