#include "ui/ReadingOrderFocusChain.h"

#include <QLayout>
#include <QWidget>
#include <algorithm>

namespace pelko {

namespace {

// As Qt's Tab decides it: a widget with a focus proxy hands its stop to the proxy.
bool isTabStop(const QWidget& widget) {
  return (widget.focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget.focusProxy();
}

std::vector<QWidget*> childWidgets(const QWidget& parent) {
  std::vector<QWidget*> children;
  for (QObject* object : parent.children())
    if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow()) children.push_back(child);
  return children;
}

// `shown`, children of one widget, in reading order: by lines from the top, each line from the left.
void sortInReadingOrder(std::vector<QWidget*>& shown) {
  auto above = [](const QWidget* a, const QWidget* b) {
    const QRect ga = a->geometry(), gb = b->geometry();
    return ga.top() != gb.top() ? ga.top() < gb.top() : ga.left() < gb.left();
  };
  auto leftOf = [](const QWidget* a, const QWidget* b) {
    const QRect ga = a->geometry(), gb = b->geometry();
    return ga.left() != gb.left() ? ga.left() < gb.left() : ga.top() < gb.top();
  };
  std::stable_sort(shown.begin(), shown.end(), above);
  auto lineStart = shown.begin();
  int lineBottom = 0;  // exclusive
  for (auto it = shown.begin(); it != shown.end(); ++it) {
    const QRect geometry = (*it)->geometry();
    if (it != lineStart && geometry.top() + geometry.height() / 2 >= lineBottom) {
      std::stable_sort(lineStart, it, leftOf);
      lineStart = it;
    }
    lineBottom = it == lineStart ? geometry.top() + geometry.height()
                                 : std::max(lineBottom, geometry.top() + geometry.height());
  }
  std::stable_sort(lineStart, shown.end(), leftOf);
}

void collectInReadingOrder(QWidget& widget, std::vector<QWidget*>& stops) {
  if (isTabStop(widget)) stops.push_back(&widget);
  std::vector<QWidget*> children = childWidgets(widget);
  // Hidden children keep the order they were made in, after the shown ones: where one will show is not
  // known until it does, and a window that shows one asks for the order again.
  auto hidden = std::stable_partition(children.begin(), children.end(),
                                      [](const QWidget* child) { return !child->isHidden(); });
  std::vector<QWidget*> shown(children.begin(), hidden);
  sortInReadingOrder(shown);
  std::copy(shown.begin(), shown.end(), children.begin());
  for (QWidget* child : children) collectInReadingOrder(*child, stops);
}

// Parents first: a parent's layout gives its children the sizes their own layouts then fill.
void layOutShown(QWidget& widget) {
  if (QLayout* layout = widget.layout()) layout->activate();
  for (QWidget* child : childWidgets(widget))
    if (!child->isHidden()) layOutShown(*child);
}

// The Tab stops along `window`'s focus chain as it is, from `first` round to it again.
std::vector<QWidget*> chainFrom(QWidget& first) {
  std::vector<QWidget*> stops{&first};
  QWidget* window = first.window();
  for (QWidget* next = first.nextInFocusChain(); next && next != &first; next = next->nextInFocusChain()) {
    if (next->window() == window && isTabStop(*next)) stops.push_back(next);
    if (stops.size() > 100000) break;  // a chain never runs this long; a broken one must not hang us
  }
  return stops;
}

}  // namespace

std::vector<QWidget*> readingOrderTabStops(QWidget& window) {
  std::vector<QWidget*> stops;
  collectInReadingOrder(window, stops);
  return stops;
}

void applyReadingOrderFocusChain(QWidget& window) {
  layOutShown(window);
  const std::vector<QWidget*> order = readingOrderTabStops(window);
  if (order.size() < 2 || chainFrom(*order.front()) == order) return;
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace pelko
