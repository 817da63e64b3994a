#pragma once

#include <limits>
#include <optional>
#include <vector>

namespace pelko {

// What a stack needs to know of one arranged view, measured along the stack's axis ("length") and
// across it ("cross").
// `minLength` is the length a view keeps while every view fits at its minimum; a stack short of even
// that room squeezes the views further, down to `squeezedLength` at most.
struct StackItemMetrics {
  double minLength = 0;
  double naturalLength = 0;
  double maxLength = std::numeric_limits<double>::infinity();
  double crossLength = 0;
  double squeezedLength = 0;
};

// Every arranged view gets one common length, at most `maxLength`. With `growToMax` the views prefer
// `maxLength` itself; otherwise they share the longest natural length (capped at `maxLength`).
struct EqualLengthRule {
  double maxLength = 0;
  bool growToMax = false;
  bool operator==(const EqualLengthRule&) const = default;
};

struct StackSlot {
  double offset = 0;  // from the stack's start edge along the axis
  double length = 0;
  double crossOffset = 0;  // views are centred across the axis
  double crossLength = 0;
};

struct StackLayoutResult {
  std::vector<StackSlot> placements;
  double contentLength = 0;  // from the start edge to the end of the last view
};

// Lays views out one after another from the start edge with `spacing` between them. Each view gets its
// natural length within its own limits; when the views do not fit in `availableLength`, they give way
// in proportion to how far each can shrink down to its minimum, and when even the minimums do not fit,
// in proportion to how far each can be squeezed below it, so every view keeps a place. Only views that
// cannot be squeezed far enough run past the end (clipped by the stack). With an equal-length rule every
// view gets the same length, squeezed alike. Across the axis each view keeps its own length, at most
// `crossLength`, centred.
StackLayoutResult layoutStack(const std::vector<StackItemMetrics>& items, double availableLength,
                              double crossLength, double spacing,
                              const std::optional<EqualLengthRule>& equalLength = std::nullopt);

}  // namespace pelko
