#pragma once
// Owns one reference to a COM interface and releases it once.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace platform::win32 {

template <typename Interface>
class com_ptr {
 public:
  com_ptr() = default;
  // Takes over a reference the caller already holds.
  explicit com_ptr(Interface* owned) : pointer_(owned) {}
  ~com_ptr() { reset(); }
  com_ptr(const com_ptr& other) : pointer_(other.pointer_) {
    if (pointer_) pointer_->AddRef();
  }
  com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  com_ptr& operator=(com_ptr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }

  // Adds a reference of its own to a pointer someone else keeps.
  static com_ptr shared(Interface* borrowed) {
    if (borrowed) borrowed->AddRef();
    return com_ptr(borrowed);
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }
  // For the out parameter of a call that hands over a new reference.
  Interface** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  // The same object seen through another interface; empty when it does not have it.
  template <typename Other>
  com_ptr<Other> query(REFIID id) const {
    com_ptr<Other> other;
    if (pointer_ && FAILED(pointer_->QueryInterface(id, other.put_void()))) other.reset();
    return other;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace platform::win32
