#include "ui/AccessibleControls.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QMap>
#include <QPointer>

#include "ui/ColorWell.h"
#include "ui/PopUpButton.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {

namespace {

using Action = QAccessibleActionInterface;

// The widget's own actions (set focus) follow the control's.
QStringList withWidgetActions(QStringList own, const QAccessibleWidget& widget) {
  for (const QString& name : widget.QAccessibleWidget::actionNames())
    if (!own.contains(name)) own << name;
  return own;
}

class AccessibleSwitch : public QAccessibleWidget {
 public:
  explicit AccessibleSwitch(Switch* control) : QAccessibleWidget(control, QAccessible::CheckBox) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = control()->isOn();
    return state;
  }

  QStringList actionNames() const override {
    return withWidgetActions({Action::toggleAction(), Action::pressAction()}, *this);
  }
  void doAction(const QString& name) override {
    if (name == Action::toggleAction() || name == Action::pressAction())
      control()->toggleByUser();
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == Action::toggleAction() || name == Action::pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  Switch* control() const { return static_cast<Switch*>(widget()); }
};

class AccessibleStepper : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit AccessibleStepper(Stepper* control) : QAccessibleWidget(control, QAccessible::SpinBox) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text type) const override {
    if (type == QAccessible::Value) return QString::number(control()->value());
    return QAccessibleWidget::text(type);
  }

  QVariant currentValue() const override { return control()->value(); }
  void setCurrentValue(const QVariant& value) override {
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (isNumber) control()->setValueByUser(number);
  }
  QVariant maximumValue() const override { return control()->maximum(); }
  QVariant minimumValue() const override { return control()->minimum(); }
  QVariant minimumStepSize() const override { return control()->increment(); }

  QStringList actionNames() const override {
    return withWidgetActions({Action::increaseAction(), Action::decreaseAction()}, *this);
  }
  void doAction(const QString& name) override {
    if (name == Action::increaseAction())
      control()->stepByUser(1);
    else if (name == Action::decreaseAction())
      control()->stepByUser(-1);
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == Action::increaseAction()) return {QStringLiteral("Up")};
    if (name == Action::decreaseAction()) return {QStringLiteral("Down")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  Stepper* control() const { return static_cast<Stepper*>(widget()); }
};

// One segment: a tab of its control's tab list. It has no object of its own, so its control's
// interface makes it once and keeps it.
class AccessibleSegment : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  AccessibleSegment(SegmentedControl* control, int index) : control_(control), index_(index) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isValid() const override { return control_ && index_ < control_->segmentCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(control_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text type) const override {
    if (!isValid() || type != QAccessible::Name) return {};
    return control_->label(index_);
  }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override { return QAccessible::PageTab; }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.selectable = true;
    state.selected = control_->selectedSegment() == index_;
    state.disabled = !control_->isEnabled();
    state.invisible = !control_->isVisible();
    return state;
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect area = control_->segmentRect(index_);
    return QRect(control_->mapToGlobal(area.topLeft()), area.size());
  }

  QStringList actionNames() const override { return {Action::pressAction()}; }
  void doAction(const QString& name) override {
    if (name == Action::pressAction() && isValid()) control_->selectByUser(index_);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<SegmentedControl> control_;
  int index_;
};

class AccessibleSegmentedControl : public QAccessibleWidget {
 public:
  explicit AccessibleSegmentedControl(SegmentedControl* control)
      : QAccessibleWidget(control, QAccessible::PageTabList) {}
  ~AccessibleSegmentedControl() override {
    for (QAccessible::Id id : std::as_const(segments_)) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return control()->segmentCount(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    if (QAccessible::Id id = segments_.value(index)) return QAccessible::accessibleInterface(id);
    auto* segment = new AccessibleSegment(control(), index);
    segments_.insert(index, QAccessible::registerAccessibleInterface(segment));
    return segment;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto it = segments_.cbegin(); it != segments_.cend(); ++it)
      if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = control()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < childCount(); ++i)
      if (control()->segmentRect(i).contains(local)) return child(i);
    return nullptr;
  }

 private:
  SegmentedControl* control() const { return static_cast<SegmentedControl*>(widget()); }
  mutable QMap<int, QAccessible::Id> segments_;
};

class AccessibleColorWell : public QAccessibleWidget {
 public:
  explicit AccessibleColorWell(ColorWell* control) : QAccessibleWidget(control, QAccessible::Button) {}

  QStringList actionNames() const override { return withWidgetActions({Action::pressAction()}, *this); }
  void doAction(const QString& name) override {
    if (name == Action::pressAction())
      control()->openPanelByUser();
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == Action::pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  ColorWell* control() const { return static_cast<ColorWell*>(widget()); }
};

// A pop-up button: a combo box whose value is its choice. Qt's own interface on this platform names a
// combo box by its choice too, leaving its name to a label beside it; ours sit in rows whose titles are
// not their labels, so the name given to the button is its name, and the choice only its value.
class AccessiblePopUpButton : public QAccessibleWidget {
 public:
  explicit AccessiblePopUpButton(PopUpButton* control) : QAccessibleWidget(control, QAccessible::ComboBox) {}

  QString text(QAccessible::Text type) const override {
    if (type == QAccessible::Value) return control()->currentText();
    if (type == QAccessible::Name && control()->accessibleName().isEmpty()) return control()->currentText();
    return QAccessibleWidget::text(type);
  }

  // The list it opens, while it is open. Qt's entries of a list tell whether they show from the list's
  // rectangle alone, never from whether its window shows: the hidden list of a closed pop-up, laid out
  // at 0,0 in a window never shown, would report every entry showing there, in an open settings window
  // and a closed one alike. Closed, the pop-up has no child; its choice is its value.
  int childCount() const override { return openList() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    QAbstractItemView* list = openList();
    return index == 0 && list ? QAccessible::queryAccessibleInterface(list) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    QAbstractItemView* list = openList();
    return child && list && child->object() == list ? 0 : -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    const bool open = openList() != nullptr;
    state.expanded = open;
    state.collapsed = !open;
    return state;
  }

  QStringList actionNames() const override {
    return withWidgetActions({Action::showMenuAction(), Action::pressAction()}, *this);
  }
  void doAction(const QString& name) override {
    if (name == Action::showMenuAction() || name == Action::pressAction()) {
      if (openList())
        control()->hidePopup();
      else
        control()->showPopup();
    } else {
      QAccessibleWidget::doAction(name);
    }
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == Action::showMenuAction() || name == Action::pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  PopUpButton* control() const { return static_cast<PopUpButton*>(widget()); }
  QAbstractItemView* openList() const {
    QAbstractItemView* list = control()->view();
    return list && list->isVisible() ? list : nullptr;
  }
};

// Asked with each class name from the object's own upwards; answering at the first keeps a subclass
// of a kit control its control's kind.
QAccessibleInterface* kitControlInterface(const QString&, QObject* object) {
  if (auto* control = qobject_cast<Switch*>(object)) return new AccessibleSwitch(control);
  if (auto* control = qobject_cast<Stepper*>(object)) return new AccessibleStepper(control);
  if (auto* control = qobject_cast<SegmentedControl*>(object)) return new AccessibleSegmentedControl(control);
  if (auto* control = qobject_cast<ColorWell*>(object)) return new AccessibleColorWell(control);
  if (auto* control = qobject_cast<PopUpButton*>(object)) return new AccessiblePopUpButton(control);
  return nullptr;
}

}  // namespace

void installAccessibleControls() {
  static const bool installed = [] {
    QAccessible::installFactory(kitControlInterface);
    return true;
  }();
  (void)installed;
}

}  // namespace pelko
