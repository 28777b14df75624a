#include "support/display.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>

namespace sonavel_test {

PrivateDisplay::PrivateDisplay(bool with_glx, const std::string& screen) {
  int fds[2];
  if (pipe(fds) != 0) return;
  // -displayfd: Xvfb picks a free display and writes its number when ready.
  // -noreset: an X server resets when its last client goes, and a client
  // that connects meanwhile is cut off ("cannot open display"). A desktop's
  // server always has a client; a private one's first clients may come and
  // go (helpers the session's bus starts) just as the program under test
  // connects.
  std::vector<std::string> argv{"Xvfb",     "-displayfd", std::to_string(fds[1]),
                                "-noreset", "-screen",    "0",
                                screen,     "-nolisten",  "tcp"};
  if (!with_glx) argv.insert(argv.end(), {"-extension", "GLX"});
  xvfb_ = std::make_unique<Subprocess>(argv);  // the child inherits the pipe
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
}

bool ensure_display() {
  const char* current = std::getenv("DISPLAY");
  if (current != nullptr && *current != '\0') return true;
  static PrivateDisplay display;
  if (!display.ready()) return false;
  setenv("DISPLAY", display.name().c_str(), 1);
  return true;
}

bool send_wm_delete(const std::string& display, unsigned long window) {
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return false;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &ev);
  XCloseDisplay(d);  // sends what is queued
  return true;
}

}  // namespace sonavel_test
