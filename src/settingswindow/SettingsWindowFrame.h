#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"

namespace pelko {

// The settings window's remembered frame, in screen coordinates (y up), as it is kept in the user
// defaults: "x y width height", four numbers separated by single spaces.
struct SettingsWindowFrame {
  static constexpr const char* kAutosaveName = "PelkoSettingsWindow.v2";
  static constexpr Size kContentSize{980, 760};
  static constexpr Size kMinimumSize{860, 620};
  static constexpr Size kMaximumSize{1400, 1200};

  static std::string format(const Rect& frame);
  // Exactly four finite numbers with a positive size; anything else (a hand-edited value, a half
  // written one, words, a fifth number) is no frame at all.
  static std::optional<Rect> parse(const std::string& text);

  // The frame the window opens with: the saved one with its size clamped into the window's limits, kept
  // where it was when it still overlaps a screen's visible frame, else (the screen it was on is gone,
  // or nothing was saved) the window's size centred on the main screen's visible frame. `screens` are
  // the visible frames, the main screen first; without any screen the saved frame is used as it is.
  static Rect restored(const std::optional<Rect>& saved, const std::vector<Rect>& visibleFrames);
};

}  // namespace pelko
