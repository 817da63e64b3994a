#pragma once

#include <QPixmap>
#include <vector>

class QPushButton;
class QWidget;

namespace pelko {

class OnboardingPermissionRow;
class OnboardingPresetCardView;

// One page of the onboarding as built: its view and the controls its controller connects.
struct OnboardingPage {
  QWidget* view = nullptr;
  // The page's main button, which Return presses.
  QPushButton* defaultButton = nullptr;
  OnboardingPermissionRow* accessibilityRow = nullptr;
  OnboardingPermissionRow* screenRecordingRow = nullptr;
  std::vector<OnboardingPresetCardView*> presetCards;
};

// The pages in their order: the welcome, the two permissions, the preset cards. The permission rows
// come without state; the controller applies it.
OnboardingPage makeOnboardingWelcomePage(const QPixmap& applicationIcon);
OnboardingPage makeOnboardingPermissionsPage();
OnboardingPage makeOnboardingPresetsPage();

}  // namespace pelko
