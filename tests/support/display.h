// X displays for tests and scripts: a private Xvfb, or the process's DISPLAY
// (started privately when there is none), and a window manager's request to
// close. The one place that starts Xvfb.
#pragma once

#include <memory>
#include <string>

#include "support/subprocess.h"

namespace sonavel_test {

// An Xvfb on a free display number, stopped when this goes away. By default it
// has no GLX, so no GL driver is loaded and unloaded behind the leak checker's
// back; with_glx gives the X server a desktop has.
class PrivateDisplay {
 public:
  // screen: WIDTHxHEIGHTxDEPTH.
  explicit PrivateDisplay(bool with_glx = false, const std::string& screen = "1280x1024x24");
  bool ready() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"
  pid_t pid() const { return xvfb_ ? xvfb_->pid() : -1; }

 private:
  std::unique_ptr<Subprocess> xvfb_;
  std::string name_;
};

// Returns false if no display could be had.
bool ensure_display();

// Asks window on display to close the way a window manager does: a
// WM_DELETE_WINDOW client message. False if the display cannot be reached.
bool send_wm_delete(const std::string& display, unsigned long window);

}  // namespace sonavel_test
