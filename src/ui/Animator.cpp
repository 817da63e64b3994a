#include "ui/Animator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelko {

namespace {

using Bezier = CubicBezier;

Bezier curveOf(Easing easing) {
  switch (easing) {
    case Easing::linear:
      return {0, 0, 1, 1};
    case Easing::easeIn:
      return {0.42, 0, 1, 1};
    case Easing::easeOut:
      return {0, 0, 0.58, 1};
    case Easing::easeInEaseOut:
      return {0.42, 0, 0.58, 1};
    case Easing::standard:
      break;
  }
  return {0.25, 0.1, 0.25, 1};
}

double bezierComponent(double a1, double a2, double s) {
  // B(s) = 3(1-s)^2 s a1 + 3(1-s) s^2 a2 + s^3
  double u = 1 - s;
  return 3 * u * u * s * a1 + 3 * u * s * s * a2 + s * s * s;
}

double bezierSlope(double a1, double a2, double s) {
  double u = 1 - s;
  return 3 * u * u * a1 + 6 * u * s * (a2 - a1) + 3 * s * s * (1 - a2);
}

// Frame times closer than this to an animation's end count as its end, so rounding in the clock never
// leaves a last frame a hair short of the end value.
constexpr double kEndTolerance = 1e-7;

}  // namespace

double applyEasing(Easing easing, double t) {
  if (easing == Easing::linear) return std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0);
  return applyCurve(curveOf(easing), t);
}

double applyCurve(const CubicBezier& c, double t) {
  if (!(t > 0)) return 0;  // also catches NaN
  if (t >= 1) return 1;
  // Solve x(s) = t for s: Newton steps from t, then bisection if the slope gets too flat.
  double s = t;
  for (int i = 0; i < 8; ++i) {
    double error = bezierComponent(c.x1, c.x2, s) - t;
    if (std::abs(error) < 1e-9) return bezierComponent(c.y1, c.y2, s);
    double slope = bezierSlope(c.x1, c.x2, s);
    if (std::abs(slope) < 1e-6) break;
    s -= error / slope;
  }
  double lo = 0, hi = 1;
  s = t;
  for (int i = 0; i < 60; ++i) {
    double x = bezierComponent(c.x1, c.x2, s);
    if (std::abs(x - t) < 1e-9) break;
    if (x < t)
      lo = s;
    else
      hi = s;
    s = (lo + hi) / 2;
  }
  return bezierComponent(c.y1, c.y2, s);
}

namespace detail {

struct AnimationEntry {
  AnimationSetup setup;
  std::optional<CubicBezier> curve;
  std::function<void(double)> update;
  std::function<void()> completion;
  double startTime = 0;
  double endTime = 0;
  bool running = true;
  std::function<void(AnimationEntry*)> detach;

  double valueAt(double now) const {
    double progress = setup.duration > 0 ? (now - startTime) / setup.duration : 1;
    double eased = curve ? applyCurve(*curve, progress) : applyEasing(setup.easing, progress);
    return setup.from + (setup.to - setup.from) * eased;
  }

  // Ends the animation at its end value; the completion runs after the last update.
  void complete() {
    if (!running) return;
    running = false;
    if (detach) detach(this);
    auto finalUpdate = std::move(update);
    auto done = std::move(completion);
    double to = setup.to;
    if (finalUpdate) finalUpdate(to);
    if (done) done();
  }

  void stop() {
    if (!running) return;
    running = false;
    if (detach) detach(this);
    update = nullptr;
    completion = nullptr;
  }
};

}  // namespace detail

struct Animator::State : std::enable_shared_from_this<Animator::State> {
  Scheduler& scheduler;
  double frameInterval;
  std::vector<std::shared_ptr<detail::AnimationEntry>> running;
  WorkItemPtr pendingTick;
  double pendingTickTime = std::numeric_limits<double>::infinity();
  uint64_t frames = 0;

  State(Scheduler& s, double interval) : scheduler(s), frameInterval(interval) {}

  void remove(detail::AnimationEntry* entry) {
    running.erase(std::remove_if(running.begin(), running.end(),
                                 [entry](const auto& candidate) { return candidate.get() == entry; }),
                  running.end());
  }

  // Schedules the next frame: one frame interval away, or earlier when an animation ends sooner, so
  // that its last frame falls exactly on its end time.
  void scheduleTick() {
    if (running.empty()) {
      if (pendingTick) pendingTick->cancel();
      pendingTick.reset();
      pendingTickTime = std::numeric_limits<double>::infinity();
      return;
    }
    double now = scheduler.now();
    double earliestEnd = std::numeric_limits<double>::infinity();
    for (const auto& entry : running) earliestEnd = std::min(earliestEnd, entry->endTime);
    double delay = std::clamp(earliestEnd - now, 0.0, frameInterval);
    double when = now + delay;
    if (pendingTick && !pendingTick->isCancelled() && pendingTickTime <= when + kEndTolerance) return;
    if (pendingTick) pendingTick->cancel();
    std::weak_ptr<State> weak = weak_from_this();
    pendingTickTime = when;
    pendingTick = scheduler.mainAfter(delay, [weak] {
      if (auto self = weak.lock()) self->tick();
    });
  }

  void tick() {
    pendingTick.reset();
    pendingTickTime = std::numeric_limits<double>::infinity();
    ++frames;
    auto keepAlive = shared_from_this();
    double now = scheduler.now();
    auto snapshot = running;
    for (const auto& entry : snapshot) {
      if (!entry->running) continue;
      if (now >= entry->endTime - kEndTolerance) {
        entry->complete();
      } else if (entry->update) {
        auto update = entry->update;  // the callback may cancel its own animation
        update(entry->valueAt(now));
      }
    }
    scheduleTick();
  }
};

void AnimationHandle::cancel() {
  if (auto entry = entry_.lock()) entry->stop();
}

void AnimationHandle::finish() {
  if (auto entry = entry_.lock()) entry->complete();
}

bool AnimationHandle::isRunning() const {
  auto entry = entry_.lock();
  return entry && entry->running;
}

Animator::Animator(Scheduler& scheduler, double frameInterval)
    : state_(std::make_shared<State>(scheduler, frameInterval > 0 ? frameInterval : kDefaultFrameInterval)) {}

Animator::~Animator() {
  auto running = std::move(state_->running);
  state_->running.clear();
  for (const auto& entry : running) {
    entry->detach = nullptr;
    entry->stop();
  }
  if (state_->pendingTick) state_->pendingTick->cancel();
}

AnimationHandle Animator::animate(const AnimationSetup& setup, std::function<void(double)> update,
                                  std::function<void()> completion) {
  return start(setup, std::nullopt, std::move(update), std::move(completion));
}

AnimationHandle Animator::animate(const AnimationSetup& setup, const CubicBezier& curve,
                                  std::function<void(double)> update, std::function<void()> completion) {
  return start(setup, curve, std::move(update), std::move(completion));
}

AnimationHandle Animator::start(const AnimationSetup& setup, const std::optional<CubicBezier>& curve,
                                std::function<void(double)> update, std::function<void()> completion) {
  auto entry = std::make_shared<detail::AnimationEntry>();
  entry->setup = setup;
  entry->curve = curve;
  entry->update = std::move(update);
  entry->completion = std::move(completion);
  bool instant = setup.reduceMotion || !(setup.duration > 0) || !std::isfinite(setup.duration);
  if (instant) {
    entry->setup.duration = 0;
    entry->complete();
    return AnimationHandle(entry);
  }
  entry->startTime = state_->scheduler.now();
  entry->endTime = entry->startTime + setup.duration;
  std::weak_ptr<State> weakState = state_;
  entry->detach = [weakState](detail::AnimationEntry* e) {
    if (auto state = weakState.lock()) state->remove(e);
  };
  state_->running.push_back(entry);
  if (entry->update) {
    auto first = entry->update;
    first(setup.from);
  }
  if (entry->running) state_->scheduleTick();
  return AnimationHandle(entry);
}

size_t Animator::runningCount() const {
  return state_->running.size();
}

uint64_t Animator::framesDelivered() const {
  return state_->frames;
}

}  // namespace pelko
