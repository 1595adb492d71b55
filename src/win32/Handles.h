#pragma once

#include <windows.h>

#include <utility>

namespace kiv::win32 {

// The kinds of handle the program owns. A build with KIV_COUNT_HANDLES keeps the number of live
// handles of each kind, so that a benchmark can tell a leak from outside; other builds count
// nothing and the wrappers compile down to the raw calls.
enum class HandleKind : int { Icon, Menu, Font, Window, Count };

// Registered message that the counting build's tray window answers with the live count of the
// kind in wParam.
inline constexpr wchar_t kHandleCountQuery[] = L"KIV.HandleCountQuery";

#ifdef KIV_COUNT_HANDLES
inline long LiveHandles[static_cast<int>(HandleKind::Count)] = {};
#endif

inline void TrackHandle([[maybe_unused]] HandleKind kind, [[maybe_unused]] int change) {
#ifdef KIV_COUNT_HANDLES
  LiveHandles[static_cast<int>(kind)] += change;
#endif
}

// Sole owner of one handle; destroys it when replaced or when the owner goes.
template <typename Traits>
class OwnedHandle {
 public:
  using Handle = typename Traits::Handle;

  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) { reset(handle); }
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  Handle get() const { return handle_; }
  // Lends the raw handle to API calls, as the raw member it replaces did.
  operator Handle() const { return handle_; }

  void reset(Handle replacement = nullptr) {
    if (handle_ != nullptr && handle_ != replacement) {
      // Destroyed while still held: a window's procedure keeps seeing its handle in teardown.
      Traits::Destroy(handle_);
      forget();
    }
    if (replacement != nullptr && handle_ != replacement) {
      handle_ = replacement;
      TrackHandle(Traits::kKind, +1);
    }
  }

  // The system has destroyed the object already (a window's WM_NCDESTROY): only let go.
  void forget() {
    if (handle_ == nullptr) return;
    handle_ = nullptr;
    TrackHandle(Traits::kKind, -1);
  }

 private:
  Handle handle_ = nullptr;
};

struct IconTraits {
  using Handle = HICON;
  static constexpr HandleKind kKind = HandleKind::Icon;
  static void Destroy(HICON icon) { DestroyIcon(icon); }
};
struct MenuTraits {
  using Handle = HMENU;
  static constexpr HandleKind kKind = HandleKind::Menu;
  static void Destroy(HMENU menu) { DestroyMenu(menu); }
};
struct FontTraits {
  using Handle = HFONT;
  static constexpr HandleKind kKind = HandleKind::Font;
  static void Destroy(HFONT font) { DeleteObject(font); }
};
struct WindowTraits {
  using Handle = HWND;
  static constexpr HandleKind kKind = HandleKind::Window;
  static void Destroy(HWND window) { DestroyWindow(window); }
};

// A window's device context (the screen's, for no window) with an object selected into it for
// the scope; the object and the context are given back on every path out.
class ScopedDC {
 public:
  explicit ScopedDC(HWND window, HGDIOBJ selected = nullptr) : window_(window), dc_(GetDC(window)) {
    if (dc_ != nullptr && selected != nullptr) previous_ = SelectObject(dc_, selected);
  }
  ~ScopedDC() {
    if (dc_ == nullptr) return;
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    ReleaseDC(window_, dc_);
  }
  ScopedDC(const ScopedDC&) = delete;
  ScopedDC& operator=(const ScopedDC&) = delete;

  explicit operator bool() const { return dc_ != nullptr; }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

using OwnedIcon = OwnedHandle<IconTraits>;
using OwnedMenu = OwnedHandle<MenuTraits>;
using OwnedFont = OwnedHandle<FontTraits>;
using OwnedWindow = OwnedHandle<WindowTraits>;

}  // namespace kiv::win32
