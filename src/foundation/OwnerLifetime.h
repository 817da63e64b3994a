#pragma once

#include <memory>
#include <utility>

namespace pelko {

// How a callback that may run after its owner is gone (queued main-queue work, a delayed call, an
// animation's completion, a publisher's sink stored outside the owner) finds out, in two idioms:
// - a QObject is watched with a QPointer, which Qt clears when the object is destroyed;
// - any other object is watched through a weak reference: `weak_from_this()` when the object is owned by
//   a shared_ptr (locking it also keeps the owner alive while the callback runs), otherwise its
//   OwnerLifetime, a member that ends with the owner.
// Declare the OwnerLifetime last among the members, so it ends before the members its callbacks use.
class OwnerLifetime {
  struct Token {};

 public:
  // Tells whether the owner still lives; cheap to copy into a callback.
  class Watch {
   public:
    bool ownerAlive() const { return !token_.expired(); }

   private:
    friend class OwnerLifetime;
    explicit Watch(std::weak_ptr<const Token> token) : token_(std::move(token)) {}
    std::weak_ptr<const Token> token_;
  };

  OwnerLifetime() = default;
  // A copy of the owner is another owner, with a lifetime of its own.
  OwnerLifetime(const OwnerLifetime&) : OwnerLifetime() {}
  OwnerLifetime& operator=(const OwnerLifetime&) { return *this; }

  Watch watch() const { return Watch(token_); }

  // `callback`, made to do nothing once the owner is gone.
  template <class Callback>
  auto guard(Callback callback) const {
    return [watch = watch(), callback = std::move(callback)](auto&&... args) mutable {
      if (watch.ownerAlive()) callback(std::forward<decltype(args)>(args)...);
    };
  }

 private:
  std::shared_ptr<const Token> token_ = std::make_shared<const Token>();
};

}  // namespace pelko
