#include "taskbar/SystemTrayView.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "foundation/CombineLatest.h"
#include "settings/SettingsManager.h"
#include "taskbar/BatteryFillView.h"
#include "taskbar/BatteryIconView.h"
#include "taskbar/SystemTrayManager.h"
#include "ui/AccessibleRole.h"
#include "ui/QtColor.h"

namespace pelko {

namespace {

constexpr double kSeparatorInset = 6;
constexpr double kStackLeading = 8;
constexpr double kStackTrailing = 10;
// On a vertical bar the clock keeps this far from each side of the bar, and its texts shrink to this
// size at the least before they are cut at the tail.
constexpr int kVerticalClockInset = 2;
constexpr double kSmallestClockFont = 7;

void setTextColor(QLabel& label, const Color& color) {
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, toQColor(color));
  label.setPalette(palette);
}

// One point of the bar is one device-independent pixel; Qt's point sizes would grow with the screen's
// logical dots per inch.
QFont trayFont(double size, const QWidget& widget) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const int dpi = widget.logicalDpiY();
  font.setPointSizeF(dpi > 0 ? size * 72.0 / dpi : size);
  font.setWeight(QFont::Normal);
  return font;
}

Qt::Alignment qtAlignment(ItemAlignment alignment) {
  switch (alignment) {
    case ItemAlignment::left:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case ItemAlignment::center:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ItemAlignment::right:
      return Qt::AlignRight | Qt::AlignVCenter;
  }
  return Qt::AlignHCenter | Qt::AlignVCenter;
}

double linearized(double c) {
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

SystemTrayView::SystemTrayView(Scheduler& scheduler, QWidget* parent)
    : QWidget(parent), scheduler_(scheduler) {
  setAccessibleRole(*this, QAccessible::Grouping);
  setAccessibleName("System tray");

  batteryFillView_ = new BatteryFillView(this);
  batteryFillView_->hide();

  separator_ = new QWidget(this);
  separator_->setAutoFillBackground(true);
  setSeparatorColor(kDarkSeparatorColor);

  stackView_ = new QWidget(this);
  batteryStack_ = new QWidget(stackView_);
  batteryStack_->setAccessibleName("Battery level");
  clockStack_ = new QWidget(stackView_);
  batteryIconView_ = new BatteryIconView(batteryStack_);
  batteryIconView_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  batteryPercentLabel_ = new QLabel(batteryStack_);
  timeLabel_ = new QLabel(clockStack_);
  dateLabel_ = new QLabel(clockStack_);
  for (QLabel* label : {timeLabel_, dateLabel_, batteryPercentLabel_}) {
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setTextColor(*label, Color::white());
  }
  timeLabel_->setAccessibleName("Current time");
  setTextColor(*dateLabel_, kSecondaryColor);
  dateLabel_->setAccessibleName("Current date");
  batteryPercentLabel_->setFont(trayFont(10, *this));
  setTextColor(*batteryPercentLabel_, kSecondaryColor);
  batteryPercentLabel_->setAccessibleName("Battery percentage");
  arrangeShownViews();
}

SystemTrayView::~SystemTrayView() {
  cancellables_.clear();
}

void SystemTrayView::configureForVerticalLayout() {
  vertical_ = true;
  separator_->hide();
  arrangeShownViews();
}

void SystemTrayView::arrangeShownViews() {
  batteryStack_->setVisible(batteryShown_);
  batteryIconView_->setVisible(iconShown_);
  batteryPercentLabel_->setVisible(percentageShown_);
  clockStack_->setVisible(clockShown_);
  updateGeometry();
  layoutContents();
  if (onSizeHintChanged) onSizeHintChanged();
}

SystemTrayView::Layout SystemTrayView::layoutContent(const LayoutInput& in) {
  Layout out;
  // The battery group.
  const QSize glyph = in.glyphShown ? in.glyph : QSize();
  const QSize percentage = in.percentageShown ? in.percentage : QSize();
  const int batteryGap = in.glyphShown && in.percentageShown ? (in.vertical ? 2 : 4) : 0;
  QSize battery;
  if (in.vertical) {
    battery =
        QSize(std::max(glyph.width(), percentage.width()), glyph.height() + batteryGap + percentage.height());
    out.glyph = QRect((battery.width() - glyph.width()) / 2, 0, glyph.width(), glyph.height());
    out.percentage = QRect((battery.width() - percentage.width()) / 2, glyph.height() + batteryGap,
                           percentage.width(), percentage.height());
  } else {
    battery =
        QSize(glyph.width() + batteryGap + percentage.width(), std::max(glyph.height(), percentage.height()));
    out.glyph = QRect(0, (battery.height() - glyph.height()) / 2, glyph.width(), glyph.height());
    out.percentage = QRect(glyph.width() + batteryGap, (battery.height() - percentage.height()) / 2,
                           percentage.width(), percentage.height());
  }
  // The clock: the wider text sets the width of both.
  const int clockWidth = std::max(in.time.width(), in.date.width());
  const QSize clock(clockWidth, in.time.height() + in.date.height());
  out.time = QRect(0, 0, clockWidth, in.time.height());
  out.date = QRect(0, in.time.height(), clockWidth, in.date.height());
  // The two groups.
  const QSize first = in.batteryShown ? battery : QSize();
  const QSize second = in.clockShown ? clock : QSize();
  const int gap = in.batteryShown && in.clockShown ? (in.vertical ? 6 : 12) : 0;
  if (in.vertical) {
    out.content = QSize(std::max(first.width(), second.width()), first.height() + gap + second.height());
    out.batteryGroup = QRect((out.content.width() - first.width()) / 2, 0, first.width(), first.height());
    out.clockGroup = QRect((out.content.width() - second.width()) / 2, first.height() + gap, second.width(),
                           second.height());
  } else {
    out.content = QSize(first.width() + gap + second.width(), std::max(first.height(), second.height()));
    out.batteryGroup = QRect(0, (out.content.height() - first.height()) / 2, first.width(), first.height());
    out.clockGroup = QRect(first.width() + gap, (out.content.height() - second.height()) / 2, second.width(),
                           second.height());
  }
  return out;
}

namespace {
SystemTrayView::LayoutInput layoutInputOf(const QWidget& glyph, const QWidget& percentage,
                                          const QWidget& time, const QWidget& date, const QWidget& battery,
                                          const QWidget& clock, bool vertical) {
  SystemTrayView::LayoutInput in;
  in.glyph = glyph.sizeHint();
  in.percentage = percentage.sizeHint();
  in.time = time.sizeHint();
  in.date = date.sizeHint();
  in.batteryShown = !battery.isHidden();
  in.glyphShown = !glyph.isHidden();
  in.percentageShown = !percentage.isHidden();
  in.clockShown = !clock.isHidden();
  in.vertical = vertical;
  return in;
}
}  // namespace

QSize SystemTrayView::sizeHint() const {
  const auto layout = layoutContent(layoutInputOf(*batteryIconView_, *batteryPercentLabel_, *timeLabel_,
                                                  *dateLabel_, *batteryStack_, *clockStack_, vertical_));
  const int leading = 1 + static_cast<int>(kStackLeading);
  return QSize(leading + layout.content.width() + static_cast<int>(kStackTrailing), layout.content.height());
}

void SystemTrayView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutContents();
}

void SystemTrayView::fitClock() {
  const double sizes[] = {clockFontSize_, std::max(clockFontSize_ - 2, kSmallestClockFont)};
  const QString* texts[] = {&timeText_, &dateText_};
  QLabel* labels[] = {timeLabel_, dateLabel_};
  const int room = width() - 2 * kVerticalClockInset;
  for (int i = 0; i < 2; ++i) {
    double size = sizes[i];
    // A horizontal bar gives the tray the room its texts need.
    if (!vertical_ || room <= 0) {
      labels[i]->setFont(trayFont(size, *this));
      labels[i]->setText(*texts[i]);
      continue;
    }
    while (size > kSmallestClockFont &&
           QFontMetrics(trayFont(size, *this)).horizontalAdvance(*texts[i]) > room)
      size = std::max(kSmallestClockFont, size - 0.5);
    const QFont font = trayFont(size, *this);
    labels[i]->setFont(font);
    labels[i]->setText(QFontMetrics(font).elidedText(*texts[i], Qt::ElideRight, room));
  }
}

void SystemTrayView::layoutContents() {
  fitClock();
  batteryFillView_->setGeometry(rect());
  separator_->setGeometry(0, static_cast<int>(kSeparatorInset), 1,
                          std::max(0, height() - 2 * static_cast<int>(kSeparatorInset)));
  const auto layout = layoutContent(layoutInputOf(*batteryIconView_, *batteryPercentLabel_, *timeLabel_,
                                                  *dateLabel_, *batteryStack_, *clockStack_, vertical_));
  // The content keeps its trailing distance and is centred vertically; it starts after the separator.
  // A vertical bar has no separator and is narrow: there the content is centred across the bar, so a
  // clock wider than the room between the insets still shows whole.
  const int leading = 1 + static_cast<int>(kStackLeading);
  const int x = vertical_
                    ? (width() - layout.content.width()) / 2
                    : std::max(leading, width() - static_cast<int>(kStackTrailing) - layout.content.width());
  stackView_->setGeometry(x, (height() - layout.content.height()) / 2, layout.content.width(),
                          layout.content.height());
  batteryStack_->setGeometry(layout.batteryGroup);
  batteryIconView_->setGeometry(layout.glyph);
  batteryPercentLabel_->setGeometry(layout.percentage);
  clockStack_->setGeometry(layout.clockGroup);
  timeLabel_->setGeometry(layout.time);
  dateLabel_->setGeometry(layout.date);
}

double SystemTrayView::whiteTextContrast(const Color& background) {
  const double luminance = 0.2126 * linearized(background.red) + 0.7152 * linearized(background.green) +
                           0.0722 * linearized(background.blue);
  return 1.05 / (luminance + 0.05);
}

bool SystemTrayView::wantsLightText(const Color& background) {
  return whiteTextContrast(background) >= 4.5;
}

void SystemTrayView::updateTextColors(const Color& background) {
  const bool light = wantsLightText(background);
  if (lastLuminanceBracket_ == light) return;
  lastLuminanceBracket_ = light;
  const TextColors& colors = light ? kDarkTextColors : kLightTextColors;
  setTextColor(*timeLabel_, colors.primary);
  setTextColor(*dateLabel_, colors.secondary);
  setTextColor(*batteryPercentLabel_, colors.secondary);
  batteryIconView_->setIconColor(colors.secondary);
  setSeparatorColor(light ? kDarkSeparatorColor : kLightSeparatorColor);
}

void SystemTrayView::setSeparatorColor(const Color& color) {
  QPalette palette = separator_->palette();
  palette.setColor(QPalette::Window, toQColor(color));
  separator_->setPalette(palette);
}

Color SystemTrayView::separatorColor() const {
  const QColor c = separator_->palette().color(QPalette::Window);
  return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

void SystemTrayView::setClockFontSize(double size) {
  clockFontSize_ = size;
  arrangeShownViews();
}

void SystemTrayView::setClockText(QLabel* label, const QString& text) {
  (label == timeLabel_ ? timeText_ : dateText_) = text;
  // The label's name says what it is ("Current time"); what it reads is the whole text, also where a
  // narrow bar shows only its start.
  label->setAccessibleDescription(text);
  arrangeShownViews();
}

void SystemTrayView::setTrayFontSize(double size) {
  batteryPercentLabel_->setFont(trayFont(size, *this));
  arrangeShownViews();
}

void SystemTrayView::setClockShown(bool shown) {
  clockShown_ = shown;
  arrangeShownViews();
}

void SystemTrayView::updateBattery(const BatteryState& s) {
  if (!s.showBattery || !s.hasBattery || !s.level || (!s.showIcon && !s.showPercentage)) {
    batteryShown_ = false;
    batteryFillView_->hide();
    arrangeShownViews();
    return;
  }
  batteryShown_ = true;
  iconShown_ = s.showIcon;
  percentageShown_ = s.showPercentage;
  batteryIconView_->setLevel(*s.level);
  batteryIconView_->setCharging(s.charging);
  batteryIconView_->setColorCoded(s.colorCoded);
  batteryIconView_->setIconHeight(s.fontSize * 1.1);
  batteryFillView_->setStyle(s.style);
  batteryFillView_->setLevel(*s.level);
  batteryFillView_->setCharging(s.charging);
  batteryFillView_->setColorCoded(s.colorCoded);
  batteryFillView_->setVisible(s.style != BatteryIconStyle::battery);
  batteryPercentLabel_->setText(QString::number(*s.level) + "%");
  // As the clock's labels: the name says what it is, the description what it reads.
  batteryPercentLabel_->setAccessibleDescription(batteryPercentLabel_->text());
  arrangeShownViews();
}

void SystemTrayView::bind(SystemTrayManager& manager, SettingsManager* settings) {
  cancellables_.clear();
  QPointer<SystemTrayView> weak(this);
  Scheduler& main = scheduler_;

  for (auto [source, label] :
       {std::pair{&manager.timeString, timeLabel_}, {&manager.dateString, dateLabel_}}) {
    source->publisher()
        .removeDuplicates()
        .receiveOnMain(main)
        .sink([weak, label](const std::string& text) {
          if (weak) weak->setClockText(label, QString::fromStdString(text));
        })
        .store(cancellables_);
  }

  Publisher<bool> showBattery = just(true), showPercentage = just(true), showIcon = just(true),
                  colorCoded = just(true);
  Publisher<double> fontSize = just(10.0);
  Publisher<BatteryIconStyle> style = just(BatteryIconStyle::battery);
  if (settings) {
    updateTextColors(settings->backgroundColor.get());
    settings->backgroundColor.publisher()
        .receiveOnMain(main)
        .sink([weak](const Color& color) {
          if (weak) weak->updateTextColors(color);
        })
        .store(cancellables_);
    settings->clockFontSize.publisher()
        .receiveOnMain(main)
        .sink([weak](const double& size) {
          if (weak) weak->setClockFontSize(size);
        })
        .store(cancellables_);
    settings->trayFontSize.publisher()
        .receiveOnMain(main)
        .sink([weak](const double& size) {
          if (weak) weak->setTrayFontSize(size);
        })
        .store(cancellables_);
    settings->clockAlignment.publisher()
        .receiveOnMain(main)
        .sink([weak](const ItemAlignment& alignment) {
          if (weak) weak->timeLabel_->setAlignment(qtAlignment(alignment));
        })
        .store(cancellables_);
    settings->dateAlignment.publisher()
        .receiveOnMain(main)
        .sink([weak](const ItemAlignment& alignment) {
          if (weak) weak->dateLabel_->setAlignment(qtAlignment(alignment));
        })
        .store(cancellables_);
    showBattery = settings->showBattery.publisher();
    showPercentage = settings->showBatteryPercentage.publisher();
    showIcon = settings->showBatteryIcon.publisher();
    colorCoded = settings->colorCodedBattery.publisher();
    fontSize = settings->trayFontSize.publisher();
    style = settings->batteryIconStyle.publisher();
  }

  combineLatest(manager.batteryLevel.publisher(), manager.isCharging.publisher(),
                manager.hasBattery.publisher(), showBattery, showPercentage, showIcon, colorCoded, fontSize,
                style)
      .receiveOnMain(main)
      .sink([weak](const auto& values) {
        if (!weak) return;
        const auto& [level, charging, has, show, percentage, icon, coded, size, iconStyle] = values;
        weak->updateBattery(
            BatteryState{level, charging, has, show, percentage, icon, coded, size, iconStyle});
      })
      .store(cancellables_);

  if (settings) {
    settings->showTime.publisher()
        .receiveOnMain(main)
        .sink([weak](const bool& shown) {
          if (weak) weak->setClockShown(shown);
        })
        .store(cancellables_);
  }
}

}  // namespace pelko
