#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "settingswindow/SettingsViewStyle.h"

namespace pelko {

// The rounded box that groups the rows of one section. Its colours are kept as designed and drawn as
// the current rendering mode resolves them.
class SettingsSectionBox : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsSectionBox(std::optional<std::string> sectionTitle, QWidget* parent = nullptr);

  const std::optional<std::string>& sectionTitle() const { return sectionTitle_; }
  const Color& styleFillColor() const { return styleFillColor_; }
  const Color& styleBorderColor() const { return styleBorderColor_; }
  bool showsShadowStyle() const { return showsShadowStyle_; }
  void setShowsShadowStyle(bool shows);
  SettingsRenderingMode currentRenderingMode() const { return mode_; }

  void applyStyle(const Color& fill, const Color& border);
  void applyRenderingMode(SettingsRenderingMode mode);

  // What is drawn now.
  Color fillColor() const { return settingsSurfaceColor(styleFillColor_, mode_); }
  Color borderColor() const { return settingsSurfaceColor(styleBorderColor_, mode_); }
  SurfaceShadow shadow() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<std::string> sectionTitle_;
  Color styleFillColor_;
  Color styleBorderColor_;
  bool showsShadowStyle_ = false;
  SettingsRenderingMode mode_ = SettingsRenderingMode::standard;
};

// A rounded surface with fixed colours: the sidebar and content panels, the header badge, the icon
// tiles of the preset cards.
class SettingsChromeView : public QWidget {
  Q_OBJECT
 public:
  SettingsChromeView(const Color& fill, const Color& border, double cornerRadius, bool showsShadow,
                     QWidget* parent = nullptr);

  void applyRenderingMode(SettingsRenderingMode mode);
  SettingsRenderingMode currentRenderingMode() const { return mode_; }
  bool showsShadow() const { return showsShadow_; }
  Color fillColor() const { return settingsSurfaceColor(fill_, mode_); }
  Color borderColor() const { return settingsSurfaceColor(border_, mode_); }
  SurfaceShadow shadow() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Color fill_;
  Color border_;
  double cornerRadius_;
  bool showsShadow_;
  SettingsRenderingMode mode_ = SettingsRenderingMode::standard;
};

}  // namespace pelko
