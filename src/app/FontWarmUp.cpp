#include "app/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <utility>

namespace pelko {

FontWarmUp::FontWarmUp(std::function<void()> load) : thread_(std::move(load)) {}

FontWarmUp::FontWarmUp(std::function<void(std::stop_token)> load) : thread_(std::move(load)) {}

void FontWarmUp::loadFontConfiguration() {
  // Without a usable configuration the toolkit finds the same failure later and falls back as usual.
  (void)FcInit();
}

}  // namespace pelko
