#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Scheduler.h"

namespace pelko {

// A stream of values that can be subscribed to. Each subscription gets its own operator state, and
// dropping its Cancellable ends it: nothing more is delivered, not even values already queued for it.
template <class T>
class Publisher {
 public:
  using Sink = std::function<void(const T&)>;
  using SubscribeFunction = std::function<Cancellable(Sink)>;

  explicit Publisher(SubscribeFunction subscribe) : subscribe_(std::move(subscribe)) {}

  [[nodiscard]] Cancellable sink(Sink sink) const { return subscribe_(std::move(sink)); }

  // Skips the first `count` values (with a published property: its current value).
  Publisher dropFirst(int count = 1) const {
    auto upstream = *this;
    return Publisher([upstream, count](Sink sink) {
      auto remaining = std::make_shared<int>(count);
      return upstream.sink([remaining, sink = std::move(sink)](const T& value) {
        if (*remaining > 0) {
          --*remaining;
          return;
        }
        sink(value);
      });
    });
  }

  template <class F, class U = std::decay_t<std::invoke_result_t<F, const T&>>>
  Publisher<U> map(F transform) const {
    auto upstream = *this;
    return Publisher<U>([upstream, transform](typename Publisher<U>::Sink sink) {
      return upstream.sink([transform, sink = std::move(sink)](const T& value) { sink(transform(value)); });
    });
  }

  // Passes a value on only when it differs from the previous one passed on.
  Publisher removeDuplicates() const {
    auto upstream = *this;
    return Publisher([upstream](Sink sink) {
      auto last = std::make_shared<std::optional<T>>();
      return upstream.sink([last, sink = std::move(sink)](const T& value) {
        if (*last && **last == value) return;
        *last = value;
        sink(value);
      });
    });
  }

  // Trailing debounce: a value is delivered on the main queue once `seconds` pass without a newer one.
  Publisher debounce(Scheduler& scheduler, double seconds) const {
    auto upstream = *this;
    return Publisher([upstream, &scheduler, seconds](Sink sink) {
      struct State {
        WorkItemPtr pending;
        bool cancelled = false;
      };
      auto state = std::make_shared<State>();
      auto inner =
          std::make_shared<Cancellable>(upstream.sink([state, &scheduler, seconds, sink](const T& value) {
            if (state->pending) state->pending->cancel();
            std::weak_ptr<State> weak = state;
            state->pending = scheduler.mainAfter(seconds, [weak, sink, value] {
              auto s = weak.lock();
              if (s && !s->cancelled) sink(value);
            });
          }));
      return Cancellable([state, inner] {
        state->cancelled = true;
        if (state->pending) state->pending->cancel();
        inner->cancel();
      });
    });
  }

  // The first value passes at once and opens a window of `seconds`; values arriving inside the window
  // are held (the latest when `latest`, else the first) and the held one is delivered on the main queue
  // when the window ends, which opens the next window. A window with nothing held closes.
  Publisher throttle(Scheduler& scheduler, double seconds, bool latest) const {
    auto upstream = *this;
    return Publisher([upstream, &scheduler, seconds, latest](Sink sink) {
      struct State {
        bool windowOpen = false;
        bool cancelled = false;
        std::optional<T> held;
        WorkItemPtr windowEnd;
      };
      auto state = std::make_shared<State>();
      auto closeWindowLater = std::make_shared<std::function<void()>>();
      std::weak_ptr<State> weak = state;
      std::weak_ptr<std::function<void()>> weakClose = closeWindowLater;
      *closeWindowLater = [weak, weakClose, &scheduler, seconds, sink] {
        auto s = weak.lock();
        if (!s) return;
        s->windowEnd = scheduler.mainAfter(seconds, [weak, weakClose, sink] {
          auto s = weak.lock();
          if (!s || s->cancelled) return;
          if (!s->held) {
            s->windowOpen = false;
            return;
          }
          T value = std::move(*s->held);
          s->held.reset();
          if (auto close = weakClose.lock()) (*close)();
          sink(value);
        });
      };
      auto inner = std::make_shared<Cancellable>(
          upstream.sink([state, closeWindowLater, latest, sink](const T& value) {
            if (state->cancelled) return;
            if (!state->windowOpen) {
              state->windowOpen = true;
              (*closeWindowLater)();
              sink(value);
              return;
            }
            if (latest || !state->held) state->held = value;
          }));
      return Cancellable([state, inner, closeWindowLater] {
        state->cancelled = true;
        if (state->windowEnd) state->windowEnd->cancel();
        inner->cancel();
      });
    });
  }

  // Delivers each value on a later pass of the main queue, first-in first-out with other main work.
  Publisher receiveOnMain(Scheduler& scheduler) const {
    auto upstream = *this;
    return Publisher([upstream, &scheduler](Sink sink) {
      auto alive = std::make_shared<bool>(true);
      auto inner = std::make_shared<Cancellable>(upstream.sink([alive, &scheduler, sink](const T& value) {
        std::weak_ptr<bool> weakAlive = alive;
        scheduler.mainAsync([weakAlive, sink, value] {
          auto a = weakAlive.lock();
          if (a && *a) sink(value);
        });
      }));
      return Cancellable([alive, inner] {
        *alive = false;
        inner->cancel();
      });
    });
  }

  // Maps every value to nothing, for merging publishers of different types into one trigger.
  Publisher<std::monostate> asSignal() const {
    return map([](const T&) { return std::monostate{}; });
  }

 private:
  SubscribeFunction subscribe_;
};

// Delivers the values of all the publishers as they come.
template <class T>
Publisher<T> merge(std::vector<Publisher<T>> publishers) {
  return Publisher<T>([publishers](typename Publisher<T>::Sink sink) {
    auto inners = std::make_shared<std::vector<Cancellable>>();
    for (const auto& publisher : publishers) inners->push_back(publisher.sink(sink));
    return Cancellable([inners] { inners->clear(); });
  });
}

}  // namespace pelko
