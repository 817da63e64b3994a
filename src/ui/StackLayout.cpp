#include "ui/StackLayout.h"

#include <algorithm>
#include <cmath>

namespace pelko {

namespace {

double finiteOr(double value, double fallback) {
  return std::isfinite(value) ? value : fallback;
}

// The length a view takes when there is room: its natural length within its own limits.
double preferredLength(const StackItemMetrics& item) {
  double minimum = std::max(0.0, finiteOr(item.minLength, 0));
  double natural = std::max(minimum, finiteOr(item.naturalLength, minimum));
  return item.maxLength < natural ? std::max(minimum, item.maxLength) : natural;
}

std::vector<double> independentLengths(const std::vector<StackItemMetrics>& items, double room) {
  std::vector<double> lengths;
  lengths.reserve(items.size());
  double total = 0, slack = 0;
  for (const auto& item : items) {
    double length = preferredLength(item);
    lengths.push_back(length);
    total += length;
    slack += length - std::max(0.0, finiteOr(item.minLength, 0));
  }
  double deficit = total - room;
  if (deficit <= 0 || slack <= 0) return lengths;
  double share = std::min(1.0, deficit / slack);
  for (size_t i = 0; i < items.size(); ++i) {
    double minimum = std::max(0.0, finiteOr(items[i].minLength, 0));
    lengths[i] -= (lengths[i] - minimum) * share;
  }
  return lengths;
}

std::vector<double> equalLengths(const std::vector<StackItemMetrics>& items, double room,
                                 const EqualLengthRule& rule) {
  double cap = std::max(0.0, finiteOr(rule.maxLength, 0));
  double common = 0, floor = 0;
  for (const auto& item : items) {
    common = std::max(common, preferredLength(item));
    floor = std::max(floor, std::max(0.0, finiteOr(item.minLength, 0)));
  }
  common = rule.growToMax ? cap : std::min(common, cap);
  double fitting = items.empty() ? common : room / static_cast<double>(items.size());
  if (common > fitting) common = std::max(fitting, std::min(floor, common));
  return std::vector<double>(items.size(), std::max(0.0, common));
}

}  // namespace

StackLayoutResult layoutStack(const std::vector<StackItemMetrics>& items, double availableLength,
                              double crossLength, double spacing,
                              const std::optional<EqualLengthRule>& equalLength) {
  StackLayoutResult result;
  if (items.empty()) return result;
  spacing = std::max(0.0, finiteOr(spacing, 0));
  crossLength = std::max(0.0, finiteOr(crossLength, 0));
  double gaps = spacing * static_cast<double>(items.size() - 1);
  double room = std::max(0.0, finiteOr(availableLength, 0) - gaps);
  auto lengths = equalLength ? equalLengths(items, room, *equalLength) : independentLengths(items, room);

  result.placements.reserve(items.size());
  double offset = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    double cross = std::clamp(finiteOr(items[i].crossLength, crossLength), 0.0, crossLength);
    result.placements.push_back({offset, lengths[i], (crossLength - cross) / 2, cross});
    offset += lengths[i] + spacing;
  }
  result.contentLength = offset - spacing;
  return result;
}

}  // namespace pelko
