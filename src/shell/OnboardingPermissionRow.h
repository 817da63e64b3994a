#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

#include "shell/PermissionKind.h"

class QLabel;
class QPushButton;

namespace pelko {

// What a permission row says in one state: its description and its secondary button's title (none, and
// no buttons at all, once the permission is granted).
struct PermissionRowTexts {
  QString description;
  std::optional<QString> secondaryTitle;
  bool operator==(const PermissionRowTexts&) const = default;
};

// `suppressed`: the user chose to go on without the permission (Limited Mode, or no thumbnails).
PermissionRowTexts permissionRowTexts(PermissionKind kind, bool granted, bool suppressed);

// A round status mark: a green check when granted, a red cross when not.
class PermissionStatusIcon final : public QWidget {
  Q_OBJECT
 public:
  explicit PermissionStatusIcon(QWidget* parent = nullptr);
  void setGranted(bool granted);
  bool isGranted() const { return granted_; }
  // The symbol it stands for, as the platform names it.
  QString symbolName() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool granted_ = false;
};

// One permission of the onboarding: status mark, title, state description, and the buttons to grant it
// or to go on without it, each named to a screen reader for the permission as well as by its title.
class OnboardingPermissionRow final : public QWidget {
  Q_OBJECT
 public:
  OnboardingPermissionRow(const QString& title, PermissionKind kind, const QString& primaryTitle,
                          QWidget* parent = nullptr);

  // Shows the state: the mark, the description, and the buttons only while the permission is missing.
  void apply(bool granted, const PermissionRowTexts& texts);

  PermissionKind kind() const { return kind_; }
  const QString& title() const { return title_; }
  PermissionStatusIcon& statusIcon() const { return *icon_; }
  QLabel& descriptionLabel() const { return *description_; }
  QPushButton& primaryButton() const { return *primary_; }
  QPushButton& secondaryButton() const { return *secondary_; }
  QWidget& buttonStack() const { return *buttons_; }
  // The state description, shown whole (wrapped) and named whole to a screen reader.
  const QString& description() const { return descriptionText_; }

 private:
  QString title_;
  PermissionKind kind_;
  QString primaryTitle_;
  QString descriptionText_;
  PermissionStatusIcon* icon_;
  QLabel* description_;
  QPushButton* primary_;
  QPushButton* secondary_;
  QWidget* buttons_;
};

}  // namespace pelko
