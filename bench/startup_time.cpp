// Time from starting a program to its first top-level window being mapped,
// as the X server sees it. Usage: startup_time [--audio CLIENT] PROGRAM [ARGS...]
// Prints the milliseconds; the program is then asked to end (SIGTERM).
// --audio: a floor's audio client started at the same moment, its standard
// output into the program's standard input (minimal_window --show-on-line
// then shows its window once the client plays), and ended with it.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "support/map_watcher.h"

int main(int argc, char** argv) {
  const bool withAudio = argc > 1 && std::strcmp(argv[1], "--audio") == 0;
  char** const program = argv + (withAudio ? 3 : 1);
  if (argc < (withAudio ? 4 : 2)) {
    std::fprintf(stderr, "usage: startup_time [--audio CLIENT] PROGRAM [ARGS...]\n");
    return 2;
  }
  sonavel_test::MapWatcher maps("");
  if (!maps.ready()) {
    std::fprintf(stderr, "startup_time: no display\n");
    return 1;
  }
  maps.first_mapped();  // the watch is in place before the program starts

  int line[2] = {-1, -1};
  if (withAudio && pipe(line) != 0) return 1;
  const auto start = std::chrono::steady_clock::now();
  const pid_t client = withAudio ? fork() : -1;
  if (client == 0) {
    dup2(line[1], 1);
    dup2(open("/dev/null", O_WRONLY), 2);
    close(line[0]);
    close(line[1]);
    execl(argv[2], argv[2], nullptr);
    _exit(127);
  }
  const pid_t child = fork();
  if (child == 0) {
    if (withAudio) {
      dup2(line[0], 0);
      close(line[0]);
      close(line[1]);
    }
    execvp(program[0], program);
    _exit(127);
  }
  if (withAudio) {
    close(line[0]);
    close(line[1]);
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
  if (client > 0) {
    kill(client, SIGTERM);
    waitpid(client, nullptr, 0);
  }
  if (ms < 0) {
    std::fprintf(stderr, "startup_time: no window (the program ended or took over 30 s)\n");
    return 1;
  }
  std::printf("%.1f\n", ms);
  return 0;
}
