// Time from starting a program to its first top-level window being mapped,
// as the X server sees it. Usage: startup_time PROGRAM [ARGS...]
// Prints the milliseconds; the program is then asked to end (SIGTERM).
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "support/map_watcher.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_time PROGRAM [ARGS...]\n");
    return 2;
  }
  sonavel_test::MapWatcher maps("");
  if (!maps.ready()) {
    std::fprintf(stderr, "startup_time: no display\n");
    return 1;
  }
  maps.first_mapped();  // the watch is in place before the program starts

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  double ms = -1.0;
  const auto until = start + std::chrono::seconds(30);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < until) {
    if (maps.first_mapped() != 0) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
      break;
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(maps.fd(), &fds);
    timeval tv{0, 100000};
    select(maps.fd() + 1, &fds, nullptr, nullptr, &tv);
    ended = waitpid(child, nullptr, WNOHANG) == child;
  }
  if (!ended) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
  }
  if (ms < 0) {
    std::fprintf(stderr, "startup_time: no window (the program ended or took over 30 s)\n");
    return 1;
  }
  std::printf("%.1f\n", ms);
  return 0;
}
