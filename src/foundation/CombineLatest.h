#pragma once

#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/Publisher.h"

namespace pelko {

// Delivers `value` once, at subscription, and nothing after: a constant among changing inputs.
template <class T>
Publisher<T> just(T value) {
  return Publisher<T>([value](typename Publisher<T>::Sink sink) {
    sink(value);
    return Cancellable();
  });
}

// Delivers the latest value of every publisher together, as a tuple: nothing until each has delivered
// once, then one tuple for every value any of them delivers. The values are kept per subscription, so a
// published property's will-set delivery is combined with the value it is about to hold.
template <class... Ts>
Publisher<std::tuple<Ts...>> combineLatest(Publisher<Ts>... publishers) {
  using Tuple = std::tuple<Ts...>;
  return Publisher<Tuple>([publishers...](typename Publisher<Tuple>::Sink sink) {
    struct State {
      std::tuple<std::optional<Ts>...> latest;
      bool cancelled = false;
    };
    auto state = std::make_shared<State>();
    auto inners = std::make_shared<std::vector<Cancellable>>();
    auto deliverIfComplete = [state, sink] {
      if (state->cancelled) return;
      bool complete =
          std::apply([](const auto&... values) { return (values.has_value() && ...); }, state->latest);
      if (!complete) return;
      sink(std::apply([](const auto&... values) { return Tuple(*values...); }, state->latest));
    };
    [&]<size_t... I>(std::index_sequence<I...>) {
      (inners->push_back(
           std::get<I>(std::tie(publishers...)).sink([state, deliverIfComplete](const auto& value) {
             std::get<I>(state->latest) = value;
             deliverIfComplete();
           })),
       ...);
    }
    (std::index_sequence_for<Ts...>{});
    return Cancellable([state, inners] {
      state->cancelled = true;
      inners->clear();
    });
  });
}

}  // namespace pelko
