#include "shell/AboutWindowController.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Workspace.h"
#include "shell/ShellWindowStyle.h"
#include "ui/PlainText.h"
#include "ui/ShortcutModifiers.h"

namespace pelko {

uint64_t keyEquivalentFlags(const QKeyEvent& event) {
  uint64_t flags = shortcutModifierFlags(event.modifiers());
  constexpr quint32 kX11LockMask = 0x2;
  if (event.nativeModifiers() & kX11LockMask) flags |= key_flags::capsLock;
  return flags;
}

QString charactersIgnoringModifiers(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar('a' + (key - Qt::Key_A)));
  if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return QString(QChar(key));
  return {};
}

bool isCloseKeyEquivalent(uint64_t modifierFlags, const QString& characters) {
  return (modifierFlags & key_flags::deviceIndependentMask) == key_flags::command &&
         characters.toLower() == QLatin1String("w");
}

AboutWindow::AboutWindow() : QWidget(nullptr, Qt::Window) {}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    event->accept();
    return;
  }
  if (isCloseKeyEquivalent(keyEquivalentFlags(*event), charactersIgnoringModifiers(*event))) {
    close();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
  if (moveWindowByBackground(*this, *event)) return event->accept();
  QWidget::mousePressEvent(event);
}

QString aboutVersionText(const platform::AppShell& appShell) {
  const std::string version = appShell.versionString().value_or("1.0.0");
  const std::string build = appShell.buildString().value_or("1");
  return QStringLiteral("Version %1 (%2)")
      .arg(QString::fromStdString(version), QString::fromStdString(build));
}

QString aboutSystemText(const platform::OperatingSystemVersion& version, const QString& family) {
  return QStringLiteral("macOS %1.%2.%3 (%4)")
      .arg(version.majorVersion)
      .arg(version.minorVersion)
      .arg(version.patchVersion)
      .arg(family);
}

QString processorFamily() {
#if defined(__aarch64__) || defined(__arm64__) || defined(_M_ARM64)
  return QStringLiteral("Apple Silicon");
#else
  return QStringLiteral("Intel");
#endif
}

QString aboutCopyrightText(const platform::AppShell& appShell) {
  if (auto copyright = appShell.copyrightString()) return QString::fromStdString(*copyright);
  return QStringLiteral("Copyright \u00A9 2026 The Pelko developers. All rights reserved.");
}

namespace {
constexpr const char* kDescription =
    "Pelko replaces the Dock with a customizable taskbar: window management, live window thumbnails and "
    "a system tray.";

QLabel* centredLabel(QWidget& parent, const QString& text, double points, QFont::Weight weight,
                     const QColor& color) {
  auto* label = new QLabel(&parent);
  setPlainText(*label, text);
  label->setFont(shellSystemFont(points, weight));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  return label;
}
}  // namespace

AboutWindowController::AboutWindowController(const Dependencies& dependencies)
    : deps_(dependencies), window_(std::make_unique<AboutWindow>()) {
  window_->setWindowTitle(QStringLiteral("About Pelko"));
  window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  window_->setFixedSize(kContentWidth, kContentHeight);
  window_->setWindowIcon(ownApplicationWindowIcon(deps_.appShell));
  buildContent();
}

AboutWindowController::~AboutWindowController() = default;

void AboutWindowController::buildContent() {
  QWidget& content = *window_;
  auto* stack = new QVBoxLayout(&content);
  stack->setContentsMargins(20, 24, 20, 20);
  stack->setSpacing(0);

  auto* icon = new QLabel(&content);
  icon->setFixedSize(80, 80);
  icon->setPixmap(ownApplicationIcon(deps_.appShell, static_cast<int>(80 * content.devicePixelRatioF())));
  icon->setScaledContents(true);
  stack->addWidget(icon, 0, Qt::AlignHCenter);
  stack->addSpacing(8);

  const QColor primary = content.palette().color(QPalette::WindowText);
  stack->addWidget(centredLabel(content, QStringLiteral("Pelko"), 22, QFont::Bold, primary));
  stack->addSpacing(8);
  stack->addWidget(centredLabel(content, aboutVersionText(deps_.appShell), 12, QFont::Normal,
                                secondaryLabelColor(content)));
  stack->addSpacing(8);
  stack->addWidget(centredLabel(content,
                                aboutSystemText(deps_.appShell.operatingSystemVersion(), processorFamily()),
                                11, QFont::Normal, tertiaryLabelColor(content)));
  stack->addSpacing(16);
  QLabel* description =
      centredLabel(content, QString::fromUtf8(kDescription), 12, QFont::Normal, secondaryLabelColor(content));
  description->setWordWrap(true);
  description->setTextInteractionFlags(Qt::NoTextInteraction);
  stack->addWidget(description);
  stack->addSpacing(16);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  checkForUpdatesButton_ =
      new QPushButton(plainButtonTitle(QStringLiteral("Check for Updates...")), &content);
  feedbackButton_ = new QPushButton(plainButtonTitle(QStringLiteral("Feedback & Support")), &content);
  for (QPushButton* button : {checkForUpdatesButton_, feedbackButton_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  QObject::connect(checkForUpdatesButton_, &QPushButton::clicked, [this] { checkForUpdates(); });
  QObject::connect(feedbackButton_, &QPushButton::clicked, [this] { openFeedback(); });
  stack->addLayout(buttons);
  stack->setAlignment(buttons, Qt::AlignHCenter);
  stack->addSpacing(16);
  stack->addWidget(centredLabel(content, aboutCopyrightText(deps_.appShell), 10, QFont::Normal,
                                tertiaryLabelColor(content)));
  stack->addStretch(1);
}

void AboutWindowController::showAbout() {
  deps_.appShell.activateOwnProcess();
  presentCentredOnMainScreen(*window_);
}

void AboutWindowController::checkForUpdates() {
  if (platform::ApplicationDelegate* delegate = deps_.appShell.delegate()) delegate->checkForUpdates();
}

void AboutWindowController::openFeedback() {
  (void)openFeedbackPage(deps_.workspace);
}

bool AboutWindowController::openFeedbackPage(platform::Workspace& workspace) {
  const QUrl url(QString::fromUtf8(kFeedbackPageURL), QUrl::StrictMode);
  if (!url.isValid()) return false;
  return workspace.openURL(url.toString().toStdString());
}

}  // namespace pelko
