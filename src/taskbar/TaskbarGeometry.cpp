#include "taskbar/TaskbarGeometry.h"

#include <algorithm>
#include <cmath>

namespace pelko {

namespace {
double nonNegative(double value) {
  return std::isfinite(value) ? std::max(0.0, value) : 0.0;
}
}  // namespace

BarContentLayout layoutBarContent(const BarContentOptions& options) {
  const double w = nonNegative(options.rootSize.width);
  const double h = nonNegative(options.rootSize.height);
  const double inset = kBarEndInset;
  const double trashSide = nonNegative(options.barThickness - 8);
  const double trayLength = std::max(nonNegative(options.minTrayLength), nonNegative(options.trayLength));
  BarContentLayout layout;

  if (isHorizontal(options.position)) {
    double end = w;  // the edge the stack must stay 4 points short of
    double trailing = w - inset;
    if (options.showTray) {
      layout.tray = Rect(trailing - trayLength, 0, trayLength, h);
      trailing = layout.tray->minX() - inset;
      end = layout.tray->minX();
    }
    if (options.showTrash) {
      layout.trash = Rect(trailing - trashSide, (h - trashSide) / 2, trashSide, trashSide);
      end = layout.trash->minX();
    }
    layout.stack = Rect(inset, 0, std::max(0.0, end - inset - inset), h);
  } else {
    double end = h;
    double bottom = h - inset;
    if (options.showTray) {
      layout.tray = Rect(0, bottom - trayLength, w, trayLength);
      bottom = layout.tray->minY() - inset;
      end = layout.tray->minY();
    }
    if (options.showTrash) {
      layout.trash = Rect((w - trashSide) / 2, bottom - trashSide, trashSide, trashSide);
      end = layout.trash->minY();
    }
    layout.stack = Rect(0, inset, w, std::max(0.0, end - inset - inset));
  }
  return layout;
}

unsigned roundedCorners(TaskbarPosition position, bool floatingBar, double marginHorizontal,
                        double marginVertical) {
  if (floatingBar || marginHorizontal > 0 || marginVertical > 0) return kAllCorners;
  switch (position) {
    case TaskbarPosition::bottom:
      return kCornerTopLeft | kCornerTopRight;
    case TaskbarPosition::top:
      return kCornerBottomLeft | kCornerBottomRight;
    case TaskbarPosition::left:
      return kCornerBottomRight | kCornerTopRight;
    case TaskbarPosition::right:
      return kCornerBottomLeft | kCornerTopLeft;
  }
  return kAllCorners;
}

std::vector<Rect> borderRects(Size size, double width, BorderEdges edges) {
  const double w = nonNegative(width);
  const double bw = nonNegative(size.width);
  const double bh = nonNegative(size.height);
  std::vector<Rect> rects;
  if (edges.top) rects.emplace_back(0, 0, bw, w);
  if (edges.bottom) rects.emplace_back(0, bh - w, bw, w);
  if (edges.left) rects.emplace_back(0, 0, w, bh);
  if (edges.right) rects.emplace_back(bw - w, 0, w, bh);
  return rects;
}

double stackOffset(ItemAlignment alignment, bool floatingBar, bool emptyStack, double contentLength,
                   double room) {
  if (alignment == ItemAlignment::left || emptyStack || floatingBar) return kBarEndInset;
  if (alignment == ItemAlignment::center) return std::max((room - contentLength) / 2, kBarEndInset);
  return std::max(room - contentLength - kBarEndInset, kBarEndInset);
}

}  // namespace pelko
