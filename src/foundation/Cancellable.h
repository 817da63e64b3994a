#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace pelko {

// An RAII subscription handle: dropping it (or calling cancel()) ends the subscription. Once cancelled a
// subscriber receives nothing more, including values that were already queued for it.
class [[nodiscard]] Cancellable {
 public:
  Cancellable() = default;
  explicit Cancellable(std::function<void()> onCancel) : onCancel_(std::move(onCancel)) {}
  Cancellable(Cancellable&& other) noexcept : onCancel_(std::exchange(other.onCancel_, nullptr)) {}
  Cancellable& operator=(Cancellable&& other) noexcept {
    if (this != &other) {
      cancel();
      onCancel_ = std::exchange(other.onCancel_, nullptr);
    }
    return *this;
  }
  Cancellable(const Cancellable&) = delete;
  Cancellable& operator=(const Cancellable&) = delete;
  ~Cancellable() { cancel(); }

  void cancel() {
    if (auto f = std::exchange(onCancel_, nullptr)) f();
  }
  bool isActive() const { return static_cast<bool>(onCancel_); }

  // Keeps the subscription alive for as long as the bag lives.
  void store(std::vector<Cancellable>& bag) && { bag.push_back(std::move(*this)); }

 private:
  std::function<void()> onCancel_;
};

using CancellableBag = std::vector<Cancellable>;

}  // namespace pelko
