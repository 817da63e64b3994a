#include "taskbar/SystemTrayView.h"

#include <QFontDatabase>
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
#include "ui/StackView.h"

namespace pelko {

namespace {

constexpr double kSeparatorInset = 6;
constexpr double kStackLeading = 8;
constexpr double kStackTrailing = 10;
constexpr Color kSeparatorColor = Color::fromWhite(1, 0.15);

QColor toQColor(const Color& c) {
  return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue),
                          static_cast<float>(c.alpha));
}

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
  setAccessibleName("System tray");

  batteryFillView_ = new BatteryFillView(this);
  batteryFillView_->hide();

  separator_ = new QWidget(this);
  separator_->setAutoFillBackground(true);
  QPalette separatorPalette = separator_->palette();
  separatorPalette.setColor(QPalette::Window, toQColor(kSeparatorColor));
  separator_->setPalette(separatorPalette);

  timeLabel_ = new QLabel(this);
  dateLabel_ = new QLabel(this);
  batteryPercentLabel_ = new QLabel(this);
  for (QLabel* label : {timeLabel_, dateLabel_, batteryPercentLabel_}) {
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setTextColor(*label, Color::white());
  }
  timeLabel_->setFont(trayFont(11, *this));
  timeLabel_->setAccessibleName("Current time");
  dateLabel_->setFont(trayFont(9, *this));
  setTextColor(*dateLabel_, kSecondaryColor);
  dateLabel_->setAccessibleName("Current date");
  batteryPercentLabel_->setFont(trayFont(10, *this));
  setTextColor(*batteryPercentLabel_, kSecondaryColor);
  batteryPercentLabel_->setAccessibleName("Battery percentage");

  batteryIconView_ = new BatteryIconView(this);
  batteryIconView_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

  clockStack_ = new StackView(Qt::Vertical, this);
  clockStack_->setSpacing(0);
  buildStacks(false);
}

SystemTrayView::~SystemTrayView() {
  cancellables_.clear();
}

void SystemTrayView::buildStacks(bool vertical) {
  vertical_ = vertical;
  StackView* oldOuter = stackView_;
  StackView* oldBattery = batteryStack_;
  batteryStack_ = new StackView(vertical ? Qt::Vertical : Qt::Horizontal, this);
  batteryStack_->setSpacing(vertical ? 2 : 4);
  batteryStack_->setAccessibleName("Battery level");
  stackView_ = new StackView(vertical ? Qt::Vertical : Qt::Horizontal, this);
  stackView_->setSpacing(vertical ? 6 : 12);
  batteryIconView_->setParent(batteryStack_);
  batteryPercentLabel_->setParent(batteryStack_);
  timeLabel_->setParent(clockStack_);
  dateLabel_->setParent(clockStack_);
  batteryStack_->setParent(stackView_);
  clockStack_->setParent(stackView_);
  delete oldBattery;
  delete oldOuter;
  stackView_->show();
  arrangeShownViews();
}

void SystemTrayView::configureForVerticalLayout() {
  buildStacks(true);
  separator_->hide();
  layoutContents();
}

void SystemTrayView::arrangeShownViews() {
  auto arrange = [](StackView& stack, std::initializer_list<std::pair<QWidget*, bool>> views) {
    std::vector<QWidget*> shown;
    for (auto [view, show] : views)
      if (show) shown.push_back(view);
    stack.setArrangedSubviews(shown);
    for (auto [view, show] : views)
      if (!show) view->hide();
  };
  arrange(*clockStack_, {{timeLabel_, true}, {dateLabel_, true}});
  arrange(*batteryStack_, {{batteryIconView_, iconShown_}, {batteryPercentLabel_, percentageShown_}});
  arrange(*stackView_, {{batteryStack_, batteryShown_}, {clockStack_, clockShown_}});
  equalizeClockWidths();
  updateGeometry();
  layoutContents();
}

void SystemTrayView::equalizeClockWidths() {
  timeLabel_->setMinimumWidth(0);
  dateLabel_->setMinimumWidth(0);
  const int width = std::max(timeLabel_->sizeHint().width(), dateLabel_->sizeHint().width());
  timeLabel_->setMinimumWidth(width);
  dateLabel_->setMinimumWidth(width);
  clockStack_->layoutArrangedSubviews();
}

QSize SystemTrayView::sizeHint() const {
  const QSize content = stackView_->sizeHint();
  const int leading = 1 + static_cast<int>(kStackLeading);
  return QSize(leading + content.width() + static_cast<int>(kStackTrailing), content.height());
}

void SystemTrayView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutContents();
}

void SystemTrayView::layoutContents() {
  batteryFillView_->setGeometry(rect());
  separator_->setGeometry(0, static_cast<int>(kSeparatorInset), 1,
                          std::max(0, height() - 2 * static_cast<int>(kSeparatorInset)));
  const int leading = 1 + static_cast<int>(kStackLeading);
  const int stackWidth = std::max(0, width() - leading - static_cast<int>(kStackTrailing));
  const int stackHeight = stackView_->sizeHint().height();
  stackView_->setGeometry(leading, (height() - stackHeight) / 2, stackWidth, stackHeight);
  stackView_->layoutArrangedSubviews();
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
}

void SystemTrayView::setClockFontSize(double size) {
  timeLabel_->setFont(trayFont(size, *this));
  dateLabel_->setFont(trayFont(std::max(size - 2, 7.0), *this));
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
  arrangeShownViews();
}

void SystemTrayView::bind(SystemTrayManager& manager, SettingsManager* settings) {
  cancellables_.clear();
  QPointer<SystemTrayView> weak(this);
  Scheduler& main = scheduler_;

  manager.timeString.publisher()
      .removeDuplicates()
      .receiveOnMain(main)
      .sink([weak](const std::string& text) {
        if (!weak) return;
        weak->timeLabel_->setText(QString::fromStdString(text));
        weak->arrangeShownViews();
      })
      .store(cancellables_);
  manager.dateString.publisher()
      .removeDuplicates()
      .receiveOnMain(main)
      .sink([weak](const std::string& text) {
        if (!weak) return;
        weak->dateLabel_->setText(QString::fromStdString(text));
        weak->arrangeShownViews();
      })
      .store(cancellables_);

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
