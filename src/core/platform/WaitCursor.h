#pragma once

namespace kiv {

// The application-wide wait cursor shown around a system write.
class WaitCursor {
 public:
  virtual ~WaitCursor() = default;
  virtual void Show() = 0;     // the system wait cursor everywhere
  virtual void Restore() = 0;  // every window shows its own cursor again
};

// Shows the wait cursor for the lifetime of the scope, on every path out of it.
class WaitCursorScope {
 public:
  explicit WaitCursorScope(WaitCursor& cursor) : cursor_(cursor) { cursor_.Show(); }
  ~WaitCursorScope() { cursor_.Restore(); }
  WaitCursorScope(const WaitCursorScope&) = delete;
  WaitCursorScope& operator=(const WaitCursorScope&) = delete;

 private:
  WaitCursor& cursor_;
};

}  // namespace kiv
