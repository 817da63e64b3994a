#pragma once

#include <utility>

#include "foundation/Subject.h"

namespace pelko {

// An observable property. Subscribing delivers the current value at once; every assignment then
// delivers the assigned value to the subscribers *before* the property holds it (will-set order), also
// when the value is unchanged. A subscriber that assigns again during delivery sees its value delivered
// at once, but the outer assignment stores its own value when its delivery ends.
template <class T>
class Published {
 public:
  Published() : box_(std::make_shared<Box>()) {}
  explicit Published(T initial) : box_(std::make_shared<Box>()) { box_->value = std::move(initial); }
  Published(const Published&) = delete;
  Published& operator=(const Published&) = delete;

  const T& get() const { return box_->value; }
  operator const T&() const { return box_->value; }  // NOLINT: reads like the property it stands for

  void set(T value) {
    auto box = box_;  // a subscriber may destroy the owner during delivery
    box->subject.send(value);
    box->value = std::move(value);
  }
  Published& operator=(T value) {
    set(std::move(value));
    return *this;
  }

  // Sets the first value without announcing it (construction, loading).
  void setInitial(T value) { box_->value = std::move(value); }

  Publisher<T> publisher() const {
    std::weak_ptr<Box> weakBox = box_;
    return Publisher<T>([weakBox](typename Publisher<T>::Sink sink) {
      auto box = weakBox.lock();
      if (!box) return Cancellable();
      sink(box->value);
      return box->subject.sink(std::move(sink));
    });
  }

 private:
  struct Box {
    T value{};
    Subject<T> subject;
  };
  std::shared_ptr<Box> box_;
};

}  // namespace pelko
