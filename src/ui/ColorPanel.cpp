#include "ui/ColorPanel.h"

#include <QColorDialog>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/ColorWell.h"
#include "ui/QtColor.h"
#include "ui/X11WindowType.h"

namespace pelko {

namespace {

ColorPanel* sharedPanel = nullptr;

// The picker is a dialog of its own inside the panel. Ending it the dialog's way (Escape) would hide the
// dialog alone and leave the panel an empty frame on the screen; it closes the whole panel instead. The
// colours picked so far have reached their well already and stay.
class PanelPicker final : public QColorDialog {
 public:
  using QColorDialog::QColorDialog;
  void done(int) override {
    if (QWidget* panel = window(); panel != this) panel->close();
  }
};

}  // namespace

ColorPanelEvents& ColorPanelEvents::instance() {
  static ColorPanelEvents events;
  return events;
}

ColorPanel& ColorPanel::shared() {
  if (!sharedPanel) sharedPanel = new ColorPanel();  // lives as long as the application
  return *sharedPanel;
}

ColorPanel* ColorPanel::sharedIfExists() {
  return sharedPanel;
}

ColorPanel::ColorPanel() : QWidget(nullptr, Qt::Tool) {
  setWindowTitle("Colors");
  picker_ = new PanelPicker(this);
  picker_->setWindowFlags(Qt::Widget);
  picker_->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog |
                      QColorDialog::ShowAlphaChannel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(picker_);
  connect(picker_, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
    if (showingProgrammatically_) return;
    pickByUser({color.redF(), color.greenF(), color.blueF(), color.alphaF()});
  });
  keepOutOfTaskbars(*this);
}

void ColorPanel::activate(ColorWell* well) {
  if (activeWell_ && activeWell_ != well) activeWell_->setActive(false);
  activeWell_ = well;
  if (well) {
    well->setActive(true);
    showColor(well->color());
  }
  show();
  raise();
  // The panel takes the keyboard, as a picker opened by a click or a key is typed into next.
  activateWindow();
  emit becameKey();
  emit ColorPanelEvents::instance().panelBecameKey(this);
}

void ColorPanel::showColor(const Color& color) {
  const QColor shown = toQColor(color);
  // A pick comes back from the well's owner as soon as it is stored. Showing it again would rewrite the
  // field the user is typing in ("#803" becomes "#880033" under the cursor, and the digits still to
  // come are lost), so a colour the panel already shows is left alone.
  if (picker_->currentColor().rgba() == shown.rgba()) return;
  showingProgrammatically_ = true;
  picker_->setCurrentColor(shown);
  showingProgrammatically_ = false;
}

void ColorPanel::pickByUser(const Color& color) {
  if (activeWell_) activeWell_->takeColorFromPanel(color);
}

void ColorPanel::setLevel(int level) {
  level_ = level;
  // Above the normal level it stays on top, so that it comes above a window that floats itself.
  const bool floats = level > 0;
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != floats) {
    // Told to the window system as it is: changing a shown window's flags the usual way would hide it.
    const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowStaysOnTopHint, floats);
    overrideWindowFlags(flags);
    if (QWindow* handle = windowHandle()) handle->setFlags(flags);
  }
  if (isVisible()) raise();
}

void ColorPanel::release(ColorWell* well) {
  if (!well || activeWell_ != well) return;
  well->setActive(false);
  activeWell_ = nullptr;
}

void ColorPanel::closeEvent(QCloseEvent* event) {
  if (activeWell_) activeWell_->setActive(false);
  activeWell_ = nullptr;
  QWidget::closeEvent(event);
}

}  // namespace pelko
