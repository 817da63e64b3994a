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

double minimumOf(const StackItemMetrics& item) {
  return std::max(0.0, finiteOr(item.minLength, 0));
}

double squeezedOf(const StackItemMetrics& item) {
  return std::clamp(finiteOr(item.squeezedLength, 0), 0.0, minimumOf(item));
}

// Takes `deficit` off `lengths`, from each in proportion to how far it is above its `floor`.
double giveWay(std::vector<double>& lengths, const std::vector<double>& floors, double deficit) {
  double slack = 0;
  for (size_t i = 0; i < lengths.size(); ++i) slack += lengths[i] - floors[i];
  if (deficit <= 0 || slack <= 0) return deficit;
  const double share = std::min(1.0, deficit / slack);
  for (size_t i = 0; i < lengths.size(); ++i) lengths[i] -= (lengths[i] - floors[i]) * share;
  return deficit - slack * share;
}

std::vector<double> independentLengths(const std::vector<StackItemMetrics>& items, double room) {
  std::vector<double> lengths, minimums, squeezed;
  double total = 0;
  for (const auto& item : items) {
    lengths.push_back(preferredLength(item));
    minimums.push_back(minimumOf(item));
    squeezed.push_back(squeezedOf(item));
    total += lengths.back();
  }
  const double deficit = giveWay(lengths, minimums, total - room);
  giveWay(lengths, squeezed, deficit);
  return lengths;
}

std::vector<double> equalLengths(const std::vector<StackItemMetrics>& items, double room,
                                 const EqualLengthRule& rule) {
  double cap = std::max(0.0, finiteOr(rule.maxLength, 0));
  double common = 0, squeezeFloor = 0;
  for (const auto& item : items) {
    common = std::max(common, preferredLength(item));
    squeezeFloor = std::max(squeezeFloor, squeezedOf(item));
  }
  common = rule.growToMax ? cap : std::min(common, cap);
  double fitting = items.empty() ? common : room / static_cast<double>(items.size());
  if (common > fitting) common = std::max(fitting, squeezeFloor);
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
  // Unlimited room (asking for the natural lengths) stays unlimited.
  double room = std::max(0.0, (std::isnan(availableLength) ? 0 : availableLength) - gaps);
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
