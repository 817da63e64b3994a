#pragma once

#include <string_view>

namespace pelko {

// Whether two UTF-8 strings are canonically equivalent (the same text in composed or decomposed form).
bool canonicallyEqual(std::string_view a, std::string_view b);

}  // namespace pelko
