#pragma once
// One owner template for every system handle: move-only, releases on every
// path. Traits give the empty value and the release function, so a HANDLE that
// is empty when NULL stays apart from a file HANDLE that is empty when
// INVALID_HANDLE_VALUE.
#include <utility>

namespace vemlo {

template <typename T, typename Traits>
class Unique {
 public:
  Unique() noexcept : value_(Traits::Empty()) {}
  explicit Unique(T value) noexcept : value_(value) {}
  ~Unique() { Reset(); }

  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(other.Release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  T Get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Empty(); }

  T Release() noexcept { return std::exchange(value_, Traits::Empty()); }
  void Reset(T value = Traits::Empty()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::Empty()) Traits::Close(old);
  }

 private:
  T value_;
};

}  // namespace vemlo
