#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "foundation/Publisher.h"

namespace pelko {

// Sends each value synchronously to every current subscriber, in subscription order. Delivery is
// re-entrant: a subscriber may send again (the nested value is delivered completely first) and may
// cancel itself or any other subscriber; a subscriber cancelled during delivery receives nothing more.
template <class T>
class Subject {
 public:
  Subject() : state_(std::make_shared<State>()) {}
  Subject(const Subject&) = delete;
  Subject& operator=(const Subject&) = delete;

  void send(const T& value) const {
    // Snapshot, so subscribers added during delivery start with the next value.
    auto subscribers = state_->subscribers;
    for (const auto& subscriber : subscribers)
      if (subscriber->active) subscriber->sink(value);
  }

  Publisher<T> publisher() const {
    std::weak_ptr<State> weakState = state_;
    return Publisher<T>(
        [weakState](typename Publisher<T>::Sink sink) { return subscribe(weakState, std::move(sink)); });
  }

  [[nodiscard]] Cancellable sink(typename Publisher<T>::Sink sink) const {
    return subscribe(state_, std::move(sink));
  }

  size_t subscriberCount() const { return state_->subscribers.size(); }

 private:
  struct Subscriber {
    typename Publisher<T>::Sink sink;
    bool active = true;
  };
  struct State {
    std::vector<std::shared_ptr<Subscriber>> subscribers;
  };

  static Cancellable subscribe(const std::weak_ptr<State>& weakState, typename Publisher<T>::Sink sink) {
    auto state = weakState.lock();
    if (!state) return Cancellable();
    auto subscriber = std::make_shared<Subscriber>(Subscriber{std::move(sink)});
    state->subscribers.push_back(subscriber);
    std::weak_ptr<Subscriber> weakSubscriber = subscriber;
    return Cancellable([weakState, weakSubscriber] {
      auto subscriber = weakSubscriber.lock();
      if (!subscriber) return;
      subscriber->active = false;
      if (auto state = weakState.lock()) {
        auto& list = state->subscribers;
        list.erase(std::remove(list.begin(), list.end(), subscriber), list.end());
      }
    });
  }

  std::shared_ptr<State> state_;
};

}  // namespace pelko
