#include "ui/AccessibleRole.h"

#include <QAccessibleWidget>
#include <QMap>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

namespace pelko {

namespace {

using Action = QAccessibleActionInterface;

// What a widget of ours is before a screen reader, kept as a child object of the widget so it goes with
// it. Every interface reads it afresh, so nothing here outlives or caches past the widget.
class AccessibleBehaviour final : public QObject {
 public:
  static constexpr const char* kObjectName = "pelko_accessible_behaviour";

  explicit AccessibleBehaviour(QWidget& widget) : QObject(&widget) { setObjectName(kObjectName); }

  static AccessibleBehaviour* of(const QWidget* widget) {
    if (!widget) return nullptr;
    return dynamic_cast<AccessibleBehaviour*>(
        widget->findChild<QObject*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly));
  }
  static AccessibleBehaviour& ensure(QWidget& widget) {
    if (auto* existing = of(&widget)) return *existing;
    return *new AccessibleBehaviour(widget);
  }

  QAccessible::Role role = QAccessible::Client;
  std::function<void()> press;
  std::vector<AccessiblePart> parts;
  // Unset: not a toggle.
  std::optional<bool> checked;
};

// Runs a press as the widget's click would reach it: not at all while the widget is disabled. The
// handler is copied first, since it may replace the widget's behaviour or end the widget.
void pressIfEnabled(const QWidget& widget, const std::function<void()>& press) {
  if (!press || !widget.isEnabled()) return;
  auto handler = press;
  handler();
}

// One drawn control of a widget. It has no object of its own, so its widget's interface makes it once
// and keeps it.
class AccessiblePartInterface final : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  AccessiblePartInterface(QWidget* widget, int index) : widget_(widget), index_(index) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isValid() const override { return part() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(widget_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text type) const override {
    const AccessiblePart* shown = part();
    if (!shown || type != QAccessible::Name) return {};
    return shown->name;
  }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override {
    const AccessiblePart* shown = part();
    return shown ? shown->role : QAccessible::NoRole;
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.disabled = !widget_->isEnabled();
    state.invisible = !widget_->isVisible() || localRect().isEmpty();
    return state;
  }
  QRect rect() const override {
    const QRect area = localRect();
    if (area.isEmpty()) return {};
    return QRect(widget_->mapToGlobal(area.topLeft()), area.size());
  }

  QStringList actionNames() const override { return {Action::pressAction()}; }
  void doAction(const QString& name) override {
    const AccessiblePart* shown = part();
    if (name == Action::pressAction() && shown) pressIfEnabled(*widget_, shown->press);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  const AccessiblePart* part() const {
    auto* behaviour = AccessibleBehaviour::of(widget_);
    if (!behaviour || index_ >= static_cast<int>(behaviour->parts.size())) return nullptr;
    return &behaviour->parts[static_cast<size_t>(index_)];
  }
  QRect localRect() const {
    const AccessiblePart* shown = part();
    return shown && shown->rect ? shown->rect() : QRect();
  }

  QPointer<QWidget> widget_;
  int index_;
};

// A widget of ours with the role it was given, the Press action of its click when it has one, and its
// drawn controls as children after its child widgets.
class AccessibleKitWidget final : public QAccessibleWidget {
 public:
  AccessibleKitWidget(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
  ~AccessibleKitWidget() override {
    for (QAccessible::Id id : std::as_const(parts_)) QAccessible::deleteAccessibleInterface(id);
  }

  QAccessible::Role role() const override {
    const AccessibleBehaviour* behaviour = AccessibleBehaviour::of(widget());
    return behaviour ? behaviour->role : QAccessibleWidget::role();
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    const AccessibleBehaviour* behaviour = AccessibleBehaviour::of(widget());
    if (behaviour && behaviour->checked) {
      state.checkable = true;
      state.checked = *behaviour->checked;
    }
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (hasPress()) names << Action::pressAction();
    for (const QString& name : QAccessibleWidget::actionNames())
      if (!names.contains(name)) names << name;
    return names;
  }
  void doAction(const QString& name) override {
    if (name == Action::pressAction() && hasPress()) {
      pressIfEnabled(*widget(), AccessibleBehaviour::of(widget())->press);
      return;
    }
    QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == Action::pressAction()) return {};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

  int childCount() const override { return QAccessibleWidget::childCount() + partCount(); }
  QAccessibleInterface* child(int index) const override {
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets) return QAccessibleWidget::child(index);
    const int part = index - widgets;
    if (part >= partCount()) return nullptr;
    if (QAccessible::Id id = parts_.value(part)) return QAccessible::accessibleInterface(id);
    auto* made = new AccessiblePartInterface(widget(), part);
    parts_.insert(part, QAccessible::registerAccessibleInterface(made));
    return made;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto it = parts_.cbegin(); it != parts_.cend(); ++it)
      if (QAccessible::accessibleInterface(it.value()) == child)
        return it.key() < partCount() ? QAccessibleWidget::childCount() + it.key() : -1;
    return QAccessibleWidget::indexOfChild(child);
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    // A drawn control lies inside the widget, above whatever the widget draws under it.
    for (int i = partCount() - 1; i >= 0; --i) {
      QAccessibleInterface* part = child(QAccessibleWidget::childCount() + i);
      if (part && part->rect().contains(x, y)) return part;
    }
    return QAccessibleWidget::childAt(x, y);
  }

 private:
  bool hasPress() const {
    const AccessibleBehaviour* behaviour = AccessibleBehaviour::of(widget());
    return behaviour && behaviour->press;
  }
  int partCount() const {
    const AccessibleBehaviour* behaviour = AccessibleBehaviour::of(widget());
    return behaviour ? static_cast<int>(behaviour->parts.size()) : 0;
  }

  mutable QMap<int, QAccessible::Id> parts_;
};

QAccessibleInterface* kitWidgetInterface(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  const AccessibleBehaviour* behaviour = AccessibleBehaviour::of(widget);
  if (!behaviour) return nullptr;
  return new AccessibleKitWidget(widget, behaviour->role);
}

void installFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(kitWidgetInterface);
    return true;
  }();
  (void)installed;
}

}  // namespace

void setAccessibleRole(QWidget& widget, QAccessible::Role role) {
  installFactory();
  AccessibleBehaviour::ensure(widget).role = role;
}

void setAccessibleRole(QWidget& widget, QAccessible::Role role, std::function<void()> press) {
  installFactory();
  AccessibleBehaviour& behaviour = AccessibleBehaviour::ensure(widget);
  behaviour.role = role;
  behaviour.press = std::move(press);
}

void setAccessibleChecked(QWidget& widget, bool checked) {
  installFactory();
  AccessibleBehaviour& behaviour = AccessibleBehaviour::ensure(widget);
  const bool wasChecked = behaviour.checked.value_or(false);
  behaviour.checked = checked;
  if (wasChecked == checked) return;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(&widget, changed);
  QAccessible::updateAccessibility(&event);
}

void addAccessiblePart(QWidget& widget, AccessiblePart part) {
  installFactory();
  AccessibleBehaviour::ensure(widget).parts.push_back(std::move(part));
}

}  // namespace pelko
