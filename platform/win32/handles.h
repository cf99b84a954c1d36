// One owner per handle the program creates, and the 32-bit handle values the core keeps.
#pragma once
#include <cstdint>
#include <utility>

#include "platform/win32/windows_api.h"

namespace win32 {

// A handle owner in the manner of unique_ptr: frees the handle with Close when it goes.
template <typename Handle, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using UniqueMenu = UniqueHandle<HMENU, DestroyMenu>;
using UniqueIcon = UniqueHandle<HICON, DestroyIcon>;
inline void DeleteFont(HFONT font) { DeleteObject(font); }
using UniqueFont = UniqueHandle<HFONT, DeleteFont>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;

// User and GDI handles carry 32 significant bits, also in 64-bit processes: the core keeps
// them as 32-bit signed numbers, and they widen back by sign extension.
template <typename Handle>
int32_t HandleToInt32(Handle handle) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle));
}

template <typename Handle>
Handle Int32ToHandle(int32_t value) {
  return reinterpret_cast<Handle>(static_cast<intptr_t>(value));
}

}  // namespace win32
