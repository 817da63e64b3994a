#include "ui/QtOfflineUpdater.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/DebugLog.h"
#include "ui/PlainText.h"

namespace pelko {

QtOfflineUpdater::QtOfflineUpdater() = default;

QtOfflineUpdater::~QtOfflineUpdater() = default;

void QtOfflineUpdater::start() {
  debugLog("Updater: no update feed in this build; scheduled checks find nothing");
}

void QtOfflineUpdater::checkForUpdates() {
  debugLog("Updater: no network here; the check could not be made");
  if (!window_) {
    // On top, as the program's other small windows (About, the first-run guide) are: a check asked for
    // from one of them answers above it.
    window_ = std::make_unique<QWidget>(
        nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window_->setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(14);
    auto* message = new QLabel(window_.get());
    message->setTextFormat(Qt::PlainText);
    message->setText(kMessage);
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    okButton_ = new QPushButton(plainButtonTitle("OK"), window_.get());
    okButton_->setDefault(true);
    QObject::connect(okButton_, &QPushButton::clicked, window_.get(), &QWidget::close);
    buttons->addWidget(okButton_);
    layout->addLayout(buttons);
    window_->setMinimumWidth(360);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

std::vector<platform::AppWindowInfo> QtOfflineUpdater::windows() const {
  if (!window_ || !window_->isVisible()) return {};
  return {{kStatusWindowClass, true, false}};
}

}  // namespace pelko
