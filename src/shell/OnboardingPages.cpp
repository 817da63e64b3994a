#include "shell/OnboardingPages.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/TaskbarPreset.h"
#include "shell/OnboardingPermissionRow.h"
#include "shell/OnboardingPresetCardView.h"
#include "shell/ShellWindowStyle.h"
#include "ui/FocusRing.h"
#include "ui/PlainText.h"

namespace pelko {

namespace {

// A page: a column centred both ways, kept `sideMargin` from the left and right edges.
QVBoxLayout* makeColumn(QWidget& page, int sideMargin) {
  auto* column = new QVBoxLayout(&page);
  column->setContentsMargins(sideMargin, 0, sideMargin, 0);
  column->setSpacing(0);
  column->addStretch(1);
  return column;
}

void finishColumn(QVBoxLayout& column) {
  column.addStretch(1);
}

QLabel* addTitle(QWidget& page, QVBoxLayout& column, const QString& text, double points) {
  auto* label = new QLabel(&page);
  setPlainText(*label, text);
  label->setFont(shellSystemFont(points, QFont::Bold));
  label->setAlignment(Qt::AlignHCenter);
  column.addWidget(label);
  return label;
}

QLabel* addDescription(QWidget& page, QVBoxLayout& column, const QString& text, double points) {
  auto* label = new QLabel(&page);
  setPlainText(*label, text);
  label->setFont(shellSystemFont(points));
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, secondaryLabelColor(page));
  label->setPalette(palette);
  column.addWidget(label);
  return label;
}

QPushButton* addLargeButton(QWidget& page, QVBoxLayout& column, const QString& title) {
  auto* button = new QPushButton(plainButtonTitle(title), &page);
  button->setFont(shellSystemFont(15));
  button->setMinimumHeight(32);
  button->setMinimumWidth(120);
  button->setAutoDefault(false);
  button->setDefault(true);
  // The default button's outline looks the same with and without the focus: the ring tells them apart.
  new FocusRing(*button, 4);
  column.addWidget(button, 0, Qt::AlignHCenter);
  return button;
}

}  // namespace

OnboardingPage makeOnboardingWelcomePage(const QPixmap& applicationIcon) {
  OnboardingPage page;
  page.view = new QWidget;
  QVBoxLayout* column = makeColumn(*page.view, 40);
  auto* icon = new QLabel(page.view);
  icon->setFixedSize(80, 80);
  icon->setScaledContents(true);
  icon->setPixmap(applicationIcon);
  column->addWidget(icon, 0, Qt::AlignHCenter);
  column->addSpacing(12);
  addTitle(*page.view, *column, QStringLiteral("Welcome to Pelko"), 24);
  column->addSpacing(12);
  addDescription(*page.view, *column,
                 QStringLiteral("Pelko replaces the macOS Dock with a customizable taskbar. It shows running "
                                "apps, window thumbnails, a system tray, and much more."),
                 14);
  column->addSpacing(24);
  page.defaultButton = addLargeButton(*page.view, *column, QStringLiteral("Get Started"));
  finishColumn(*column);
  return page;
}

OnboardingPage makeOnboardingPermissionsPage() {
  OnboardingPage page;
  page.view = new QWidget;
  // Narrower side margins than the welcome page's: a row's title and its two buttons need the width.
  QVBoxLayout* column = makeColumn(*page.view, 22);
  addTitle(*page.view, *column, QStringLiteral("Permissions"), 22);
  column->addSpacing(12);
  addDescription(*page.view, *column,
                 QStringLiteral("Accessibility unlocks Pelko's full window tracking and controls. You can "
                                "continue in Limited Mode without it. Screen Recording is optional and only "
                                "used for live window thumbnails."),
                 13);
  column->addSpacing(20);
  const QString openSettings = QStringLiteral("Open macOS Settings");
  page.accessibilityRow = new OnboardingPermissionRow(QStringLiteral("Accessibility"),
                                                      PermissionKind::accessibility, openSettings, page.view);
  column->addWidget(page.accessibilityRow);
  column->addSpacing(12);
  page.screenRecordingRow =
      new OnboardingPermissionRow(QStringLiteral("Screen Recording (Optional)"),
                                  PermissionKind::screenRecording, openSettings, page.view);
  column->addWidget(page.screenRecordingRow);
  column->addSpacing(24);
  page.defaultButton = addLargeButton(*page.view, *column, QStringLiteral("Continue"));
  finishColumn(*column);
  return page;
}

OnboardingPage makeOnboardingPresetsPage() {
  OnboardingPage page;
  page.view = new QWidget;
  QVBoxLayout* column = makeColumn(*page.view, 30);
  addTitle(*page.view, *column, QStringLiteral("Choose a Style"), 22);
  column->addSpacing(12);
  addDescription(
      *page.view, *column,
      QStringLiteral("Choose a starting preset. Each one is tuned to look finished out of the box, "
                     "and you can customize everything later in Settings."),
      13);
  column->addSpacing(16);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(10);
  int index = 0;
  for (TaskbarPresetID preset : onboardingFeatured()) {
    auto* card = new OnboardingPresetCardView(preset, preset == TaskbarPresetID::windowsText, page.view);
    grid->addWidget(card, index / 2, index % 2, Qt::AlignTop);
    page.presetCards.push_back(card);
    ++index;
  }
  // An odd last card is paired with an empty cell of a card's width.
  if (index % 2 == 1) grid->setColumnMinimumWidth(1, OnboardingPresetCardView::kWidth);
  auto* gridRow = new QHBoxLayout;
  gridRow->addStretch(1);
  gridRow->addLayout(grid);
  gridRow->addStretch(1);
  column->addLayout(gridRow);
  column->addSpacing(20);
  page.defaultButton = addLargeButton(*page.view, *column, QStringLiteral("Finish"));
  finishColumn(*column);
  return page;
}

}  // namespace pelko
