#include "tracking/CanonicalText.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace pelko {

namespace {
bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The text in its composed form; nothing when it is not valid UTF-8. Decoding would turn every broken
// sequence into the same replacement character, and two different broken titles must not compare equal.
std::optional<QString> composed(std::string_view text) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (decoder.hasError()) return std::nullopt;
  return decoded.normalized(QString::NormalizationForm_C);
}
}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Plain ASCII has one form only; skip the normalisation for the common case.
  if (isAscii(a) && isAscii(b)) return false;
  auto composedA = composed(a);
  if (!composedA) return false;
  auto composedB = composed(b);
  return composedB && *composedA == *composedB;
}

}  // namespace pelko
