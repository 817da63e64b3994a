// The kit every page is assembled from: pages of titled sections under a "Jump To" strip, section boxes
// of rows separated by hairlines, rows of a title and one control, notices, and the rebuild of a section
// by the signature of its deciding settings.

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "settingswindow/InfoPopoverButton.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsViewStyle.h"
#include "ui/ColorWell.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/PopUpButton.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"
#include "ui/SymbolIcon.h"

namespace pelko {

namespace {

QVBoxLayout* columnOf(QWidget* stack) {
  return qobject_cast<QVBoxLayout*>(stack->layout());
}

// The kit's controls show no title of their own, and a pop-up shows only its choice: a screen reader
// calls one by its row's title. One that was given a name of its own keeps it, and its description
// tells the row it sits in.
void nameAfterRow(QWidget* control, const QString& title) {
  if (!control) return;
  if (!qobject_cast<Switch*>(control) && !qobject_cast<Stepper*>(control) &&
      !qobject_cast<SegmentedControl*>(control) && !qobject_cast<ColorWell*>(control) &&
      !qobject_cast<QComboBox*>(control))
    return;
  if (control->accessibleName().isEmpty())
    control->setAccessibleName(title);
  else if (control->accessibleName() != title)
    setAccessiblePlace(*control, title);
}

}  // namespace

QWidget* SettingsViewController::makeTabContent(const std::vector<SectionDescription>& sections) {
  auto* content = new QWidget();
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  for (const SectionDescription& section : sections) {
    QWidget* header = makeSectionHeader(section.title, section.subtitle);
    header->setContentsMargins(2, 0, 0, 0);
    column->addWidget(header);
    column->addSpacing(8);
    column->addWidget(section.view);
    column->addSpacing(20);
  }
  column->addStretch(1);
  return content;
}

QWidget* SettingsViewController::makePageLayout(QWidget* intro, QWidget* accessory, QWidget* content) {
  auto* page = new QWidget();
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(18);
  for (QWidget* part : {intro, accessory, content})
    if (part) column->addWidget(part);
  column->addStretch(1);
  return page;
}

QWidget* SettingsViewController::makeSectionJumpStrip(const std::vector<JumpItem>& items,
                                                      const QString& title) {
  auto* strip = new QWidget();
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  row->addWidget(
      makePlainLabel(title, {11, QFont::Medium, semanticColor(SemanticColor::secondaryLabel)}, strip));
  auto* popup = new PopUpButton(strip);
  popup->setAccessibleName(title);  // its shown text is the "Select Section" prompt
  popup->setCursor(Qt::PointingHandCursor);
  popup->addItem("Select Section");
  if (auto* model = qobject_cast<QStandardItemModel*>(popup->model())) model->item(0)->setEnabled(false);
  for (const JumpItem& item : items)
    popup->addItem(singleLine(item.title), QVariant::fromValue<QObject*>(item.target));  // shown literally
  popup->setCurrentIndex(0);
  QPointer<QComboBox> weakPopup(popup);
  connect(popup, &QComboBox::activated, this, [this, weakPopup](int index) {
    if (weakPopup) jumpToSectionFromPopup(weakPopup, index);
  });
  row->addWidget(popup);
  row->addStretch(1);
  return strip;
}

QWidget* SettingsViewController::makeSectionHeader(const QString& title,
                                                   const std::optional<QString>& subtitle) {
  auto* header = new QWidget();
  auto* column = new QVBoxLayout(header);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(3);
  column->addWidget(
      makePlainLabel(title, {15, QFont::DemiBold, semanticColor(SemanticColor::label)}, header));
  if (subtitle)
    column->addWidget(new ElidingLabel(
        *subtitle, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)}, header));
  return header;
}

SettingsViewController::SectionBox SettingsViewController::makeSectionBox(
    const std::vector<RowDescription>& rows, const std::vector<QWidget*>& customRows,
    const QString& searchTitle, const std::optional<QString>& accessibilityLabel) {
  auto* box = new SettingsSectionBox(searchTitle.toStdString());
  if (accessibilityLabel) box->setAccessibleName(*accessibilityLabel);
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  auto* inner = new QWidget(box);
  auto* column = new QVBoxLayout(inner);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  boxLayout->addWidget(inner);
  bool first = true;
  auto append = [&](QWidget* row) {
    if (!first) addSeparator(inner);
    first = false;
    column->addWidget(row);
  };
  for (const RowDescription& row : rows) append(makeRow(row));
  for (QWidget* row : customRows) append(row);
  return {box, inner};
}

SettingsSeparator* SettingsViewController::addSeparator(QWidget* stack) {
  auto* separator = new SettingsSeparator(stack);
  if (QVBoxLayout* column = columnOf(stack)) column->addWidget(separator);
  return separator;
}

QWidget* SettingsViewController::makeRowTextStack(const QString& label,
                                                  const std::optional<QString>& helpText) {
  auto* stack = new QWidget();
  stack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  auto* row = new QHBoxLayout(stack);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  auto* title = new ElidingLabel(label, {13, QFont::Medium, semanticColor(SemanticColor::label)}, stack);
  title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  row->addWidget(title, 0, Qt::AlignVCenter);
  if (helpText && !helpText->trimmed().isEmpty())
    row->addWidget(new InfoPopoverButton(*helpText, stack), 0, Qt::AlignVCenter);
  row->addStretch(1);
  return stack;
}

SettingsRowView* SettingsViewController::makeRow(const QString& label, QWidget* control,
                                                 const std::optional<QString>& helpText) {
  std::optional<std::string> help;
  if (helpText) help = helpText->toStdString();
  auto* row = new SettingsRowView(deps_.scheduler, label.toStdString(), help);
  row->setMinimumHeight(40);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(16, 10, 16, 10);
  layout->setSpacing(12);
  layout->addWidget(makeRowTextStack(label, helpText), 1);
  nameAfterRow(control, label);
  if (control) layout->addWidget(control, 0, Qt::AlignVCenter);
  row->addHandCursors(row);
  return row;
}

SettingsRowView* SettingsViewController::makeStepperRow(const QString& label, QWidget* stepper,
                                                        QLabel* valueLabel,
                                                        const std::optional<QString>& helpText) {
  auto* control = new QWidget();
  auto* pair = new QHBoxLayout(control);
  pair->setContentsMargins(0, 0, 0, 0);
  pair->setSpacing(6);
  applyLabelStyle(*valueLabel, {12, QFont::Medium, semanticColor(SemanticColor::label), true});
  valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  valueLabel->setMinimumWidth(54);
  pair->addWidget(valueLabel, 0, Qt::AlignVCenter);
  pair->addWidget(stepper, 0, Qt::AlignVCenter);
  nameAfterRow(stepper, label);
  return makeRow(label, control, helpText);
}

SettingsNoticeRow* SettingsViewController::makeNoticeRow(const NoticeDescription& notice) {
  auto* row = new SettingsNoticeRow();
  row->setMinimumHeight(notice.minimumHeight);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(14, 10, 14, 10);
  layout->setSpacing(8);
  if (notice.symbolName && symbolExists(*notice.symbolName)) {
    auto* image = new QLabel(row);
    image->setPixmap(symbolImage(*notice.symbolName, 14, notice.tint.value_or(kSettingsBrandColor)));
    image->setFixedSize(14, 14);
    image->setAccessibleName(notice.accessibilityDescription);
    layout->addWidget(image, 0, Qt::AlignTop);
  }
  auto* text = makeWrappingLabel(notice.text, notice.maxLines);
  applyLabelStyle(*text, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  layout->addWidget(text, 1);
  if (notice.buttonTitle) {
    auto* button = new QPushButton(plainButtonTitle(*notice.buttonTitle), row);
    if (notice.buttonAccessibleName) button->setAccessibleName(*notice.buttonAccessibleName);
    button->setCursor(Qt::PointingHandCursor);
    auto action = notice.buttonAction;
    connect(button, &QPushButton::clicked, row, [action] {
      if (action) action();
    });
    layout->addWidget(button, 0, Qt::AlignVCenter);
  }
  return row;
}

void SettingsViewController::rebuildInnerStack(QWidget* stack, const std::vector<QWidget*>& rows) {
  QVBoxLayout* column = stack ? columnOf(stack) : nullptr;
  if (!column) return;
  while (QLayoutItem* item = column->takeAt(0)) {
    if (QWidget* old = item->widget()) {
      if (qobject_cast<SettingsSeparator*>(old) || qobject_cast<SettingsNoticeRow*>(old)) {
        old->hide();
        old->setParent(nullptr);  // out of the section now; freed once the current event is done
        old->deleteLater();
      } else {
        old->hide();
        old->setParent(detachedRows_);
      }
    }
    delete item;
  }
  bool first = true;
  for (QWidget* row : rows) {
    if (!row) continue;
    if (!first) addSeparator(stack);
    first = false;
    row->setParent(stack);
    column->addWidget(row);
    row->show();
  }
}

std::string SettingsViewController::sectionSignature(const std::vector<std::string>& values) {
  std::string joined;
  for (size_t i = 0; i < values.size(); ++i) joined += (i ? "|" : "") + values[i];
  return joined;
}

bool SettingsViewController::rebuildSection(RebuildableSection& section, const std::string& signature,
                                            const std::function<std::vector<QWidget*>()>& rows) {
  if (!section.innerStack) return false;
  if (section.signature && *section.signature == signature) return false;
  section.signature = signature;
  rebuildInnerStack(section.innerStack, rows ? rows() : std::vector<QWidget*>{});
  resizeWindowToFit();
  return true;
}

}  // namespace pelko
