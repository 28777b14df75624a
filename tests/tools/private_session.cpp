// Runs a command inside a private session without a desktop, the one the
// tests start, with the accessibility bridge on as on a desktop: an Xvfb
// display, a session bus, and a sound server with one null sink, PulseAudio
// or (with --pipewire) PipeWire, optionally recording the sink's monitor as
// float32le. The command finds the display, the bus and the server in its
// environment, and SONAVEL_XVFB_PID names the X server. Everything started
// is stopped when the command ends; its status is ours.
// Usage: private_session [--glx] [--pipewire] [--screen WxH] [--channels N]
// [--record FILE.f32] -- COMMAND [ARGS...]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/private_session.h"

int main(int argc, char** argv) {
  using namespace sonavel_test;
  SessionParts parts{.accessibility = true};
  int i = 1;
  for (; i + 1 < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string option = argv[i];
    if (option == "--glx") {
      parts.glx = true;
    } else if (option == "--pipewire") {
      parts.kind = ServerKind::PipeWire;
    } else if (option == "--screen") {
      parts.screen = std::string(argv[++i]) + "x24";
    } else if (option == "--channels") {
      parts.channels = std::atoi(argv[++i]);
    } else if (option == "--record") {
      parts.recording = argv[++i];
    } else {
      break;
    }
  }
  if (i + 1 >= argc || std::strcmp(argv[i], "--") != 0) {
    std::fprintf(stderr,
                 "usage: private_session [--glx] [--pipewire] [--screen WxH] [--channels N] "
                 "[--record FILE.f32] -- COMMAND\n");
    return 2;
  }
  PrivateSession session(parts);
  if (!session.ready()) {
    std::fprintf(stderr, "private_session: %s\n", session.why_not().c_str());
    return 1;
  }
  std::vector<std::string> env = session.program_env();
  env.push_back("SONAVEL_XVFB_PID=" + std::to_string(session.display_pid()));
  // The command shares our standard streams, so it reports as if run directly.
  Subprocess command(std::vector<std::string>(argv + i + 1, argv + argc), env, "", "");
  return command.wait_exit(std::chrono::hours(24)).value_or(1);
}
