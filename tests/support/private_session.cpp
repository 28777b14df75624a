#include "support/private_session.h"

#include <stdlib.h>

#include <filesystem>

#include "support/waits.h"

namespace sonavel_test {

PrivateSession::PrivateSession(const SessionParts& parts)
    : dir_("sonavel-session", true), accessibility_(parts.accessibility) {
  start(parts);
}

bool PrivateSession::start(const SessionParts& parts) {
  auto fail = [&](const std::string& why) {
    whyNot_ = why;
    return false;
  };
  if (parts.display) {
    display_ = std::make_unique<PrivateDisplay>(parts.glx, parts.screen);
    if (!display_->ready()) return fail("Xvfb did not start");
  }
  // The session's own bus, as every desktop has: a desktop's bus, or one
  // that libdbus launches through the X server, would be shared with other
  // sessions, and forking that launcher from a program whose audio threads
  // already run could deadlock it under the address sanitizer.
  bus_ = std::make_unique<Subprocess>(
      std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                               "--address=unix:path=" + (dir_ / "bus")},
      std::vector<std::string>{}, dir_ / "dbus.out", dir_ / "dbus.err");
  if (!wait_until([&] { return std::filesystem::exists(dir_ / "bus"); })) {
    return fail("the session bus did not start");
  }
  // The services the bus starts (the accessibility bus among them) are
  // told the display, as a desktop's session start tells its bus.
  if (accessibility_ && Subprocess({"dbus-update-activation-environment", "DISPLAY"}, program_env())
                                .wait_exit(slowMachineWait) != 0) {
    return fail("the session bus was not told the display");
  }
  if (!parts.sound) return true;
  std::filesystem::create_directories(dir_ / "sound");
  server_ = std::make_unique<SoundServer>(dir_ / "sound", "unix:path=" + (dir_ / "bus"), parts.sink,
                                          parts.kind, parts.channels);
  if (!server_->ready()) return fail(std::string(server_name(parts.kind)) + " did not start");
  if (parts.recording.empty()) return true;
  const std::string path =
      parts.recording.front() == '/' ? parts.recording : dir_ / parts.recording;
  recorder_ = std::make_unique<MonitorRecorder>(*server_, parts.sink, path, parts.channels);
  if (!recorder_->wait_until_flowing()) return fail("the sink's monitor does not flow");
  return true;
}

std::string PrivateSession::server_socket() const {
  return server_ ? server_->socket() : dir_ / "none";
}

std::vector<std::string> PrivateSession::program_env() const {
  std::vector<std::string> env =
      server_ ? server_->client_env()
              : std::vector<std::string>{"PULSE_SERVER=unix:" + server_socket(),
                                         "XDG_RUNTIME_DIR=" + dir_.path(), "HOME=" + dir_.path()};
  env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir_ / "bus"));
  // PortAudio's JACK host never starts a JACK server of its own.
  env.push_back("JACK_NO_START_SERVER=1");
  if (display_) env.push_back("DISPLAY=" + display_->name());
  // Without accessibility the toolkit's bridge is not loaded at all, as for
  // a user who has it off.
  if (!accessibility_) env.push_back("NO_AT_BRIDGE=1");
  return env;
}

void PrivateSession::use_in_this_process() const {
  for (const auto& e : program_env()) {
    const auto eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
}

const std::string& PrivateSession::keep() {
  return dir_.keep();
}

}  // namespace sonavel_test
