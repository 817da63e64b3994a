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
  // or nothing was saved) the window's size centred on the main screen's visible frame. Either way it
  // is then kept on its screen (below). `visibleFrames` are the visible frames, the main screen first;
  // without any screen the saved frame is used as it is.
  static Rect restored(const std::optional<Rect>& saved, const std::vector<Rect>& visibleFrames);

  // The window's minimum size in `visible`: its own, lowered to what the visible frame holds, so that on
  // a small screen the whole window, its footer too, fits beside the bars.
  static Size minimumSizeIn(const Rect& visible);

  // The window on a screen smaller than itself: it shrinks to the visible frame, never below its
  // minimum size there, and its top edge (where the title bar is) and its bottom edge stay on the
  // visible frame, and its left edge too when it is still wider than the screen, so the window can
  // always be grabbed and moved.
  static Rect keptOnScreen(const Rect& frame, const Rect& visibleFrame);

  // `visible` less the strips the program's own bars take along its edges: a bar lying along an edge
  // (wider than tall at the bottom or top, taller than wide at the left or right) moves that edge past
  // the bar. Bars elsewhere leave it as it is.
  static Rect clearOfBars(const Rect& visible, const std::vector<Rect>& bars);

  // Where a frame kept as above ("x y width height" of the content, from the outer frame's top left
  // corner) may go in `visible` so that the window system's decoration around the content, `decoration`
  // wider and taller than it, stays inside too.
  static Rect roomForContent(const Rect& visible, Size decoration);

  // The index of the visible frame that holds the largest part of `frame`: the window's own screen;
  // nothing when it overlaps none.
  static std::optional<size_t> screenHolding(const Rect& frame, const std::vector<Rect>& visibleFrames);
};

}  // namespace pelko
