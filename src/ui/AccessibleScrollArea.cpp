#include "ui/AccessibleScrollArea.h"

#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QScrollBar>

namespace pelko {

namespace {

class AccessibleScrollArea : public QAccessibleWidget {
 public:
  explicit AccessibleScrollArea(QAbstractScrollArea* area) : QAccessibleWidget(area, QAccessible::Client) {}

  int childCount() const override { return static_cast<int>(children().size()); }

  QAccessibleInterface* child(int index) const override {
    const QWidgetList list = children();
    if (index < 0 || index >= list.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(list.at(index));
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    return static_cast<int>(children().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  // Asked afresh each time: the bars show and hide as the content and the window change.
  QWidgetList children() const {
    QWidgetList list;
    auto* area = static_cast<QAbstractScrollArea*>(widget());
    if (QWidget* viewport = area->viewport()) list.append(viewport);
    // A bar sits in a container of its own; that container is the child a screen reader walks into.
    for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
      if (bar && bar->isVisible() && bar->parentWidget()) list.append(bar->parentWidget());
    }
    if (QWidget* corner = area->cornerWidget(); corner && corner->isVisible()) list.append(corner);
    return list;
  }
};

// Asked once for each class from the widget's own up to QObject; the kit's own interfaces for text
// fields and item views, which are scroll areas too, are found at their own classes before this one.
QAccessibleInterface* scrollAreaInterface(const QString& className, QObject* object) {
  if (className != QLatin1String("QScrollArea") && className != QLatin1String("QAbstractScrollArea"))
    return nullptr;
  auto* area = qobject_cast<QAbstractScrollArea*>(object);
  return area ? new AccessibleScrollArea(area) : nullptr;
}

}  // namespace

void installAccessibleScrollAreas() {
  static const bool installed = [] {
    QAccessible::installFactory(scrollAreaInterface);
    return true;
  }();
  (void)installed;
}

}  // namespace pelko
