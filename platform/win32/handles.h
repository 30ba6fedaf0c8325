// Owners of the Windows shell's handles. Each closes its handle the one way the system wants it
// closed, exactly once, on every path out of the scope or record that holds it. All are
// move-only: a move hands the handle over and leaves the source empty.
//
// The image library's GlobalAlloc blocks have their own owners (imaging/owned_block.h).
#pragma once

#include <windows.h>

#include <utility>

// One handle and how to close it. An empty owner holds null.
template <typename Handle, typename Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives the handle up without closing it.
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  // Closes the held handle (if any) and holds `handle` instead.
  void reset(Handle handle = nullptr) {
    Handle old = handle_;
    handle_ = handle;
    if (old) Close()(old);
  }

 private:
  Handle handle_ = nullptr;
};

struct GdiObjectClose {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DcDelete {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct IconDestroy {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct KeyClose {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct KernelHandleClose {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// GDI objects (DeleteObject). An object must not be selected into a context when its owner
// lets it go; SelectedObject below puts the previous one back first.
template <typename Object>
using GdiObject = UniqueHandle<Object, GdiObjectClose>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBrush = GdiObject<HBRUSH>;
using OwnedPen = GdiObject<HPEN>;
using OwnedPalette = GdiObject<HPALETTE>;
using OwnedGdiObject = GdiObject<HGDIOBJ>;

// Contexts of our own making (CreateCompatibleDC, CreateDC): DeleteDC.
using OwnedDc = UniqueHandle<HDC, DcDelete>;
// Icons made or loaded without LR_SHARED: DestroyIcon. Shared icons are never owned.
using OwnedIcon = UniqueHandle<HICON, IconDestroy>;
// Registry keys: RegCloseKey.
using OwnedKey = UniqueHandle<HKEY, KeyClose>;
// Threads, events, mutexes: CloseHandle. (Not for file handles, whose empty value is
// INVALID_HANDLE_VALUE.)
using OwnedHandle = UniqueHandle<HANDLE, KernelHandleClose>;

// A window's context (or the screen's, for a null window) from GetDC, given back to that
// window with ReleaseDC.
class WindowDc {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() { reset(); }
  WindowDc(WindowDc&& other) noexcept : window_(other.window_), dc_(other.dc_) { other.dc_ = nullptr; }
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = other.window_;
      dc_ = other.dc_;
      other.dc_ = nullptr;
    }
    return *this;
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// An object selected into a context; the object it replaced goes back in when the selection
// ends (destructor or reset()). Selecting fails (false) for a null context or object, or when
// GDI refuses; then nothing is put back later.
class SelectedObject {
 public:
  SelectedObject() = default;
  SelectedObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return;
    HGDIOBJ old = SelectObject(dc, object);
    if (!old || old == HGDI_ERROR) return;
    dc_ = dc;
    old_ = old;
  }
  ~SelectedObject() { reset(); }
  SelectedObject(SelectedObject&& other) noexcept : dc_(other.dc_), old_(other.old_) {
    other.dc_ = nullptr;
    other.old_ = nullptr;
  }
  SelectedObject& operator=(SelectedObject&& other) noexcept {
    if (this != &other) {
      reset();
      dc_ = other.dc_;
      old_ = other.old_;
      other.dc_ = nullptr;
      other.old_ = nullptr;
    }
    return *this;
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  explicit operator bool() const { return old_ != nullptr; }
  // Puts the previous object back now.
  void reset() {
    if (old_) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};
