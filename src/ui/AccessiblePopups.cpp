#include "ui/AccessiblePopups.h"

#include <QAccessibleObject>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace pelko {

namespace {

using Action = QAccessibleActionInterface;

// The menu or menu bar `menu` opens from, when it is a submenu.
QWidget* openedFrom(const QMenu& menu) {
  for (QObject* object : menu.menuAction()->associatedObjects())
    if (qobject_cast<QMenu*>(object) || qobject_cast<QMenuBar*>(object)) return static_cast<QWidget*>(object);
  return nullptr;
}

bool isSubmenu(const QObject* object) {
  const auto* menu = qobject_cast<const QMenu*>(object);
  return menu && openedFrom(*menu);
}

// The pop-up windows that show and stand on their own (not submenus), in the window system's order.
QObjectList shownPopups() {
  QObjectList popups;
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (window->type() != Qt::Popup || !window->isVisible()) continue;
    QAccessibleInterface* root = window->accessibleRoot();
    if (!root || !root->object() || isSubmenu(root->object())) continue;
    popups.append(root->object());
  }
  return popups;
}

// The application: the windows Qt lists, then the pop-ups that show.
class AccessibleApplication final : public QAccessibleApplication {
 public:
  int childCount() const override {
    return QAccessibleApplication::childCount() + static_cast<int>(shownPopups().size());
  }

  // A screen reader counts the children and then asks for each by its index, one message at a time: a
  // pop-up that closed in between is answered with nothing.
  QAccessibleInterface* child(int index) const override {
    const int windows = QAccessibleApplication::childCount();
    if (index < windows) return QAccessibleApplication::child(index);
    const QObjectList popups = shownPopups();
    if (index - windows >= popups.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(popups.at(index - windows));
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (const int window = QAccessibleApplication::indexOfChild(child); window >= 0) return window;
    if (!child) return -1;
    const auto popup = shownPopups().indexOf(child->object());
    return popup < 0 ? -1 : QAccessibleApplication::childCount() + static_cast<int>(popup);
  }
};

// A menu's title as read aloud: the mnemonic markers out, a doubled ampersand one.
QString withoutMnemonics(const QString& title) {
  QString text;
  text.reserve(title.size());
  for (qsizetype i = 0; i < title.size(); ++i) {
    if (title.at(i) != u'&') {
      text += title.at(i);
    } else if (i + 1 < title.size() && title.at(i + 1) == u'&') {
      text += u'&';
      ++i;
    }
  }
  return text;
}

// One entry of a menu: a menu item (with its submenu as its child) or a separator.
class AccessibleMenuItem final : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  AccessibleMenuItem(QMenu* owner, QAction* action) : owner_(owner), action_(action) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isValid() const override { return owner_ && action_; }
  QObject* object() const override { return action_; }
  QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }

  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner_); }
  QAccessibleInterface* child(int index) const override {
    QMenu* submenu = this->submenu();
    return index == 0 && submenu ? QAccessible::queryAccessibleInterface(submenu) : nullptr;
  }
  int childCount() const override { return submenu() ? 1 : 0; }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && submenu() && child->object() == submenu() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    QAccessibleInterface* only = child(0);
    return only && only->rect().contains(x, y) ? only : nullptr;
  }

  QString text(QAccessible::Text type) const override {
    if (!isValid()) return {};
    if (type == QAccessible::Name) return withoutMnemonics(action_->text());
    if (type == QAccessible::Accelerator) return action_->shortcut().toString();
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override {
    return action_ && action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.invisible = !owner_->isVisible() || !action_->isVisible();
    state.focused = owner_->activeAction() == action_;
    state.disabled = action_->isSeparator() || !action_->isEnabled();
    state.checkable = action_->isCheckable();
    state.checked = action_->isChecked();
    return state;
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect area = owner_->actionGeometry(action_);
    return QRect(owner_->mapToGlobal(area.topLeft()), area.size());
  }

  QStringList actionNames() const override {
    if (!isValid() || action_->isSeparator()) return {};
    return {submenu() ? Action::showMenuAction() : Action::pressAction()};
  }
  void doAction(const QString& name) override {
    if (!isValid() || !action_->isEnabled()) return;
    if (name == Action::pressAction() && !submenu()) {
      press();
    } else if (name == Action::showMenuAction() && submenu()) {
      if (submenu()->isVisible())
        submenu()->hide();
      else
        owner_->setActiveAction(action_);
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QMenu* submenu() const { return action_ ? action_->menu() : nullptr; }

  // As after a click: the menus close, then the action runs. The run is posted before the menus close:
  // a menu deleted on closing takes its actions with it, and its deletion is posted as well.
  void press() {
    QPointer<QAction> action = action_;
    QMetaObject::invokeMethod(
        action_,
        [action] {
          if (action && action->isEnabled()) action->trigger();
        },
        Qt::QueuedConnection);
    std::vector<QPointer<QMenu>> chain;
    for (QMenu* menu = owner_; menu; menu = qobject_cast<QMenu*>(openedFrom(*menu))) chain.emplace_back(menu);
    for (const QPointer<QMenu>& menu : chain)
      if (menu && menu->isVisible()) menu->close();
  }

  QPointer<QMenu> owner_;
  QPointer<QAction> action_;
};

// Tells the bus when a pop-up comes and goes, as a child of the element it names as its parent (the
// application, for a menu without a parent widget).
class PopupWatcher final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) return false;
    if (event->spontaneous() || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!widget->isWindow() || widget->windowType() != Qt::Popup || isSubmenu(widget)) return false;
    QAccessibleEvent change(widget,
                            type == QEvent::Show ? QAccessible::ObjectCreated : QAccessible::ObjectDestroyed);
    QAccessible::updateAccessibility(&change);
    return false;
  }
};

QAccessibleInterface* popupInterfaces(const QString&, QObject* object) {
  if (object && object == qApp) return new AccessibleApplication;
  if (auto* action = qobject_cast<QAction*>(object)) {
    for (QObject* owner : action->associatedObjects())
      if (auto* menu = qobject_cast<QMenu*>(owner)) return new AccessibleMenuItem(menu, action);
  }
  return nullptr;
}

}  // namespace

void installAccessiblePopups() {
  static const bool installed = [] {
    QAccessible::installFactory(popupInterfaces);
    return true;
  }();
  (void)installed;
  static QPointer<PopupWatcher> watcher;
  if (!qApp || watcher) return;
  watcher = new PopupWatcher(qApp);
  qApp->installEventFilter(watcher);
  // Asked for before the factory was there, the application's interface is Qt's own: it is made again.
  QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
  if (application && !dynamic_cast<AccessibleApplication*>(application)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(application));
    QAccessible::queryAccessibleInterface(qApp);
  }
}

}  // namespace pelko
