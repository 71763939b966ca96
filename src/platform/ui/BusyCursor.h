// The hourglass pointer for the length of a scope: set on construction, restored by the
// destructor on every path (also when an exception leaves the scope), or earlier by Release().
// Guards nest: each one restores exactly the pointer it set.
#pragma once

namespace pyxa {

class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

  // Restores the pointer now; later calls and the destructor do nothing more.
  void Release();
  bool IsActive() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace pyxa
