#include "platform/PropertyList.h"

namespace pelko::platform {

std::optional<double> PlistValue::numberValue() const {
  if (auto i = asInteger()) return static_cast<double>(*i);
  if (auto d = asReal()) return *d;
  return std::nullopt;
}

}  // namespace pelko::platform
