// Runs a command inside a private session without a desktop: an Xvfb display,
// a session bus, and a sound server with one null sink, PulseAudio or (with
// --pipewire) PipeWire (the same ones the tests start), optionally recording
// the sink's monitor as float32le. The command finds the display, the bus and
// the server in its environment, and SONAVEL_XVFB_PID names the X server.
// Everything started is stopped when the command ends; its status is ours.
// Usage: private_session [--glx] [--pipewire] [--screen WxH] [--sink FORMAT] [--channels N]
// [--record FILE.f32] -- COMMAND [ARGS...]
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/display.h"
#include "support/sound_server.h"
#include "support/subprocess.h"
#include "support/waits.h"

int main(int argc, char** argv) {
  using namespace sonavel_test;
  bool glx = false;
  ServerKind kind = ServerKind::PulseAudio;
  std::string sink = "float32le", record, screen = "1280x1024";
  int channels = 1;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--glx") == 0) {
      glx = true;
    } else if (std::strcmp(argv[i], "--screen") == 0 && i + 1 < argc) {
      screen = argv[++i];
    } else if (std::strcmp(argv[i], "--pipewire") == 0) {
      kind = ServerKind::PipeWire;
    } else if (std::strcmp(argv[i], "--sink") == 0 && i + 1 < argc) {
      sink = argv[++i];
    } else if (std::strcmp(argv[i], "--channels") == 0 && i + 1 < argc) {
      channels = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
      record = argv[++i];
    } else {
      break;
    }
  }
  if (i + 1 >= argc || std::strcmp(argv[i], "--") != 0) {
    std::fprintf(
        stderr,
        "usage: private_session [--glx] [--pipewire] [--screen WxH] [--sink FORMAT] [--channels N] "
        "[--record "
        "FILE.f32] -- "
        "COMMAND\n");
    return 2;
  }
  PrivateDisplay display(glx, screen + "x24");
  if (!display.ready()) {
    std::fprintf(stderr, "private_session: Xvfb did not start\n");
    return 1;
  }
  SoundServer server(sink, kind, channels);
  if (!server.ready()) {
    std::fprintf(stderr, "private_session: %s did not start\n", server_name(kind));
    return 1;
  }
  std::unique_ptr<MonitorRecorder> recorder;
  if (!record.empty()) {
    recorder = std::make_unique<MonitorRecorder>(server, "float32le", record, channels);
    if (!recorder->wait_until_flowing()) {
      std::fprintf(stderr, "private_session: the sink's monitor does not flow\n");
      return 1;
    }
  }
  std::vector<std::string> env = server.client_env();
  env.push_back("DISPLAY=" + display.name());
  // The session's bus, as every desktop has. Without one, the toolkit's
  // accessibility bridge has libdbus launch a bus through the X server, which
  // forks a helper while the program's audio threads run; under the address
  // sanitizer that child could deadlock in the allocator before its exec,
  // holding gtk_init, and so the window, for good.
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + server.bus_address());
  // The services the bus starts (the accessibility bus) are told the display,
  // as a desktop's session start tells its bus; without it each toolkit
  // client's accessibility bridge searches for a bus on its own, at a cost in
  // memory and start-up time (BENCHMARKS.md).
  Subprocess tell({"dbus-update-activation-environment", "DISPLAY"}, env);
  if (tell.wait_exit(slowMachineWait) != 0) {
    std::fprintf(stderr, "private_session: the session bus was not told the display\n");
    return 1;
  }
  env.push_back("SONAVEL_XVFB_PID=" + std::to_string(display.pid()));
  // The command shares our standard streams, so it reports as if run directly.
  Subprocess command(std::vector<std::string>(argv + i + 1, argv + argc), env, "", "");
  const auto status = command.wait_exit(std::chrono::hours(24));
  return status.value_or(1);
}
