#pragma once

#include <algorithm>
#include <cmath>

namespace pelko {

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

// A rectangle with the graphics-library conventions the system is written against: a negative size
// is normalised by the min/max accessors, `intersects` means an overlap of positive area and
// `contains` includes the minimum edges but not the maximum ones.
struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}
  Rect(Point o, Size s) : origin(o), size(s) {}

  double minX() const { return std::min(origin.x, origin.x + size.width); }
  double maxX() const { return std::max(origin.x, origin.x + size.width); }
  double minY() const { return std::min(origin.y, origin.y + size.height); }
  double maxY() const { return std::max(origin.y, origin.y + size.height); }
  double midX() const { return (minX() + maxX()) / 2; }
  double midY() const { return (minY() + maxY()) / 2; }
  double width() const { return std::abs(size.width); }
  double height() const { return std::abs(size.height); }
  double area() const { return width() * height(); }
  Point center() const { return {midX(), midY()}; }

  bool isEmpty() const { return size.width == 0 || size.height == 0; }
  Rect standardized() const { return Rect(minX(), minY(), width(), height()); }

  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  bool intersects(const Rect& other) const {
    return std::min(maxX(), other.maxX()) > std::max(minX(), other.minX()) &&
           std::min(maxY(), other.maxY()) > std::max(minY(), other.minY());
  }
  // The overlap; an empty rectangle at the origin when there is none.
  Rect intersection(const Rect& other) const {
    double x0 = std::max(minX(), other.minX()), x1 = std::min(maxX(), other.maxX());
    double y0 = std::max(minY(), other.minY()), y1 = std::min(maxY(), other.maxY());
    if (x1 <= x0 || y1 <= y0) return Rect();
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }
  double intersectionArea(const Rect& other) const { return intersection(other).area(); }
  Rect united(const Rect& other) const {
    double x0 = std::min(minX(), other.minX()), x1 = std::max(maxX(), other.maxX());
    double y0 = std::min(minY(), other.minY()), y1 = std::max(maxY(), other.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }
  Rect insetBy(double dx, double dy) const {
    Rect r = standardized();
    return Rect(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
  }

  bool operator==(const Rect&) const = default;
};

// Converts between the window server's coordinates (origin at the top left of the main display, y down)
// and screen coordinates (origin at the bottom left of the main display, y up). The flip is its own
// inverse.
inline Rect flipRect(const Rect& rect, double mainDisplayHeight) {
  Rect r = rect.standardized();
  return Rect(r.origin.x, mainDisplayHeight - r.maxY(), r.size.width, r.size.height);
}
inline Point flipPoint(Point p, double mainDisplayHeight) {
  return {p.x, mainDisplayHeight - p.y};
}

}  // namespace pelko
