#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pelko {

class TrackedApp;

// The stored custom order after a reorder on one bar. `barOrder` holds the bundle identifiers the bar
// shows, in its new order. Every stored identifier the bar does not show (another bar's application, an
// application that is not running) keeps its relative place; the bar's identifiers take the place of the
// first of them that was stored, as one block in the bar's order. Identifiers the order did not hold yet
// join that block (or, with none stored, the block goes at the end).
std::vector<std::string> mergedCustomAppOrder(const std::vector<std::string>& stored,
                                              const std::vector<std::string>& barOrder);

// `apps` stably sorted by the rank of their bundle identifier in `order`, identifiers not in it last: the
// order the tracker gives its list under that custom order.
std::vector<std::shared_ptr<TrackedApp>> sortedByCustomOrder(std::vector<std::shared_ptr<TrackedApp>> apps,
                                                             const std::vector<std::string>& order);

}  // namespace pelko
