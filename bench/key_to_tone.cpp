// Time from a key press to the first sample of its burst reaching the sink,
// for a program started here in the current X display and sound server (a
// private session: the default sink is a null sink, whose monitor is read as
// arrival_timers.h says). Each press is a real X key event
// (XTEST) on the focused band slider, alternately Page Down and Page Up, made
// when the previous burst has ended, so that its burst begins on silence.
// A null sink holds a new client's first samples back for up to 2 s, so the
// presses begin 2.5 s after the window appears.
// PipeWire runs its whole graph at the shortest period any stream asks for,
// so there the monitor is read by a stream of the graph that asks for a
// longer one (--graph): the figure is for the program's own period.
// Usage: key_to_tone [--graph] PROGRAM [PRESSES]  (20 by default). Prints one
// line: "presses N median_ms M max_ms X".
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "arrival_timers.h"
#include "support/map_watcher.h"

namespace {

using sonavel_bench::Clock;
constexpr int rate = 44100;

// The first top-level window mapped after the program starts.
Window wait_for_window(sonavel_test::MapWatcher& maps, Clock::time_point until) {
  while (Clock::now() < until) {
    if (const Window w = maps.first_mapped()) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool graph = argc > 1 && std::strcmp(argv[1], "--graph") == 0;
  if (graph) {
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: key_to_tone [--graph] PROGRAM [PRESSES]\n");
    return 2;
  }
  const int presses = argc > 2 ? std::atoi(argv[2]) : 20;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "key_to_tone: no display\n");
    return 1;
  }
  sonavel_test::MapWatcher maps("");
  std::unique_ptr<sonavel_bench::ArrivalTimer> timer;
  if (graph) {
    timer = std::make_unique<sonavel_bench::GraphArrivalTimer>();
  } else {
    timer = std::make_unique<sonavel_bench::PulseArrivalTimer>();
  }
  if (!timer->open()) {
    std::fprintf(stderr, "key_to_tone: cannot read the sink's monitor\n");
    return 1;
  }
  const pid_t child = fork();
  if (child == 0) {
    execlp(argv[1], argv[1], nullptr);
    _exit(127);
  }
  const Window window = wait_for_window(maps, Clock::now() + std::chrono::seconds(30));
  if (window == 0) {
    std::fprintf(stderr, "key_to_tone: no window\n");
    kill(child, SIGTERM);
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  std::vector<double> ms;
  const KeyCode keys[] = {XKeysymToKeycode(display, XK_Page_Down),
                          XKeysymToKeycode(display, XK_Page_Up)};
  for (int p = 0; p < presses; ++p) {
    while (!timer->quiet()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    timer->arm();
    XTestFakeKeyEvent(display, keys[p % 2], True, CurrentTime);
    XTestFakeKeyEvent(display, keys[p % 2], False, CurrentTime);
    XFlush(display);
    const auto pressed = Clock::now();
    Clock::time_point heard;
    while (!timer->found(heard) && Clock::now() - pressed < std::chrono::seconds(2)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (timer->found(heard)) {
      // The burst's first sample is 0.0; the first non-zero one is its second.
      ms.push_back(std::chrono::duration<double, std::milli>(heard - pressed).count() -
                   1000.0 / rate);
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  if (ms.empty()) {
    std::fprintf(stderr, "key_to_tone: no burst was heard\n");
    return 1;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("presses %zu median_ms %.1f max_ms %.1f\n", ms.size(), ms[ms.size() / 2], ms.back());
  return 0;
}
