#pragma once

class QWidget;

namespace pelko {

// A widget's alpha, the way a layer's opacity works: 1 draws it normally, 0 leaves it in place but
// invisible. Below 1 it is drawn through an opacity effect owned by the widget; at 1 the effect is
// removed again so that opaque widgets cost nothing. A widget that carries another graphics effect of
// its own keeps it and is treated as opaque.
void setWidgetOpacity(QWidget& widget, double alpha);
double widgetOpacity(const QWidget& widget);

}  // namespace pelko
