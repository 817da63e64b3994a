#include "tracking/CanonicalText.h"

#include <gtest/gtest.h>

#include <string>

namespace pelko {
namespace {

TEST(CanonicalText, ComposedAndDecomposedFormsAreEqualBrokenTextOnlyToItself) {
  struct Case {
    const char* what;
    std::string a, b;
    bool equal;
  };
  const Case cases[] = {
      {"same bytes", "Caf\u00e9", "Caf\u00e9", true},
      {"composed and decomposed", "Caf\u00e9", "Cafe\u0301", true},
      {"different letters", "Caf\u00e9", "Cafe", false},
      {"different ASCII", "Draft", "draft", false},
      {"the same broken bytes", "Doc \xff", "Doc \xff", true},
      {"different broken bytes", "Doc \xff", "Doc \xfe", false},
      {"broken bytes and the replacement character", "Doc \xff", "Doc \ufffd", false},
  };
  for (const auto& c : cases) EXPECT_EQ(canonicallyEqual(c.a, c.b), c.equal) << c.what;
}

}  // namespace
}  // namespace pelko
