// One owner per handle the program creates or borrows, and the 32-bit handle values the core keeps.
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
using UniqueWindow = UniqueHandle<HWND, DestroyWindow>;

// A window's device context from GetDC (the screen's for no window), released to it when it goes.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Runs a cleanup when the scope ends, in the manner of wil::scope_exit.
template <typename Cleanup>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { cleanup_(); }

 private:
  Cleanup cleanup_;
};

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
