// Watches an X display for top-level windows being mapped, from the moment it
// is made: tells a program that showed a window from one that never did.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace sonavel_test {

class MapWatcher {
 public:
  // display_name: the display to watch; empty for the environment's.
  explicit MapWatcher(const std::string& display_name)
      : display_(XOpenDisplay(display_name.empty() ? nullptr : display_name.c_str())) {
    if (display_ == nullptr) return;
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
  }
  ~MapWatcher() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  MapWatcher(const MapWatcher&) = delete;
  MapWatcher& operator=(const MapWatcher&) = delete;

  bool ready() const { return display_ != nullptr; }

  // How many top-level windows have been mapped so far.
  int mapped() {
    take_events();
    return mapped_;
  }
  // The first top-level window mapped, or 0 while none has been.
  Window first_mapped() {
    take_events();
    return first_;
  }
  // The X connection's descriptor, readable when events arrive.
  int fd() const { return ConnectionNumber(display_); }

 private:
  void take_events() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent ev;
      XNextEvent(display_, &ev);
      if (ev.type != MapNotify || ev.xmap.override_redirect) continue;
      if (mapped_++ == 0) first_ = ev.xmap.window;
    }
  }

  Display* display_;
  int mapped_ = 0;
  Window first_ = 0;
};

}  // namespace sonavel_test
