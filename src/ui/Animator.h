#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "foundation/Scheduler.h"

namespace pelko {

// The timing curves of value animations, as cubic Bézier curves from (0,0) to (1,1).
enum class Easing {
  linear,
  easeIn,         // control points (0.42, 0) (1, 1)
  easeOut,        // (0, 0) (0.58, 1)
  easeInEaseOut,  // (0.42, 0) (0.58, 1)
  standard,       // (0.25, 0.1) (0.25, 1), the curve implicit animations use
};

// A timing curve given by its two inner control points; the outer ones are (0,0) and (1,1).
struct CubicBezier {
  double x1 = 0, y1 = 0, x2 = 1, y2 = 1;
};

// The eased progress for a linear progress `t`; `t` is clamped to [0, 1], and the ends map exactly to 0
// and 1.
double applyEasing(Easing easing, double t);
double applyCurve(const CubicBezier& curve, double t);

struct AnimationSetup {
  double from = 0;
  double to = 1;
  double duration = 0.25;  // seconds
  Easing easing = Easing::standard;
  // When true (the caller read the user's reduce-motion option), the end value is applied and the
  // completion runs at once, without any frames.
  bool reduceMotion = false;
};

namespace detail {
struct AnimationEntry;
}

// A caller's view of one animation. Holding it does not keep the animation running; dropping it does
// not stop it.
class AnimationHandle {
 public:
  AnimationHandle() = default;
  explicit AnimationHandle(std::weak_ptr<detail::AnimationEntry> entry) : entry_(std::move(entry)) {}

  // Stops the animation where it stands; its completion does not run.
  void cancel();
  // Jumps to the end value and runs the completion now.
  void finish();
  bool isRunning() const;

 private:
  std::weak_ptr<detail::AnimationEntry> entry_;
};

// Runs value animations on the Scheduler's main queue, one frame every `frameInterval` seconds, so a
// test finishes an animation by advancing virtual time. The update callback receives the interpolated
// value (the start value at once, the exact end value on the last frame); the completion runs after the
// last update. Callbacks may start, cancel or finish animations, and may destroy the Animator.
class Animator {
 public:
  static constexpr double kDefaultFrameInterval = 1.0 / 60.0;

  explicit Animator(Scheduler& scheduler, double frameInterval = kDefaultFrameInterval);
  ~Animator();  // stops every running animation; no completion runs
  Animator(const Animator&) = delete;
  Animator& operator=(const Animator&) = delete;

  AnimationHandle animate(const AnimationSetup& setup, std::function<void(double)> update,
                          std::function<void()> completion = {});
  // The same along a curve of the caller's own; `setup.easing` is not used.
  AnimationHandle animate(const AnimationSetup& setup, const CubicBezier& curve,
                          std::function<void(double)> update, std::function<void()> completion = {});

  size_t runningCount() const;
  // Frames delivered so far (for tests and benchmarks of frame pacing).
  uint64_t framesDelivered() const;

 private:
  AnimationHandle start(const AnimationSetup& setup, const std::optional<CubicBezier>& curve,
                        std::function<void(double)> update, std::function<void()> completion);

  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace pelko
