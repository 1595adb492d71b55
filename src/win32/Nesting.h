#pragma once

#include <windows.h>

namespace kiv::win32 {

// How deep the user-interface thread is in the program's own code: each window procedure of its
// windows and each message box it shows counts one level while it runs. The tray menu's and the
// message boxes' loops, and every SendMessage to another program, dispatch any message that comes
// meanwhile, a close among them; such a close must not destroy windows and objects that are still
// running below it. It ends the open loops instead and comes back once every level has returned.
class Nesting {
 public:
  class Level {
   public:
    Level() noexcept;
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;
  };

  static int Depth() noexcept;

  // Ends this thread's open menu and message boxes; their callers go on once their loops return.
  static void EndModalLoops() noexcept;

  // Posts the message once the last level has returned, so that the top-level message loop takes
  // it; at once when no level is open. One message at a time is held: a later one replaces it.
  static void PostWhenUnwound(HWND window, UINT message) noexcept;
};

}  // namespace kiv::win32
