#include "tracking/CanonicalText.h"

#include <QString>
#include <algorithm>

namespace pelko {

namespace {
bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Plain ASCII has one form only; skip the normalisation for the common case.
  if (isAscii(a) && isAscii(b)) return false;
  auto composed = [](std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .normalized(QString::NormalizationForm_C);
  };
  return composed(a) == composed(b);
}

}  // namespace pelko
