// The "watch" pointer of a long test, put back to "arrow" on every way out.
#pragma once

#include <string>

#include "runtime/ui_port.h"

namespace velmora::detail {

/// Sets the pointer to "watch"; `arrow()` sets it back (once) just before a
/// result is shown, and the destructor does so when an error or a cancel ends
/// the test first.
class BusyPointer {
 public:
  explicit BusyPointer(UiPort& ui) : ui_(ui) { ui_.set_pointer("watch"); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  ~BusyPointer() {
    try {
      arrow();
    } catch (...) {
      // The pointer cannot be set back; nothing else can be done here.
    }
  }
  void arrow() {
    if (busy_) {
      busy_ = false;
      ui_.set_pointer("arrow");
    }
  }

 private:
  UiPort& ui_;
  bool busy_ = true;
};

/// The console line of a cancelled test.
inline std::string cancelled_text(const std::string& action, long long done, long long total) {
  return action + " was cancelled after " + std::to_string(done) + " of " + std::to_string(total) +
         " sets; no result is shown and nothing was changed.\n";
}

}  // namespace velmora::detail
