#include "support/private_session.h"

#include <stdlib.h>

#include <filesystem>

#include "support/waits.h"

namespace sonavel_test {

namespace {

// A session bus listening at path, as every desktop has (a desktop's bus, or
// one that libdbus launches through the X server, would be shared with other
// sessions, and forking that launcher from a program whose audio threads
// already run could deadlock it under the address sanitizer). Its address,
// or empty if it did not start.
std::string start_bus(const std::string& path, std::unique_ptr<Subprocess>& bus) {
  bus = std::make_unique<Subprocess>(
      std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                               "--address=unix:path=" + path},
      std::vector<std::string>{}, path + ".out", path + ".err");
  return wait_until([&] { return std::filesystem::exists(path); }) ? "unix:path=" + path : "";
}

// The bus of every session whose toolkit runs in this process. The toolkit
// keeps its first session-bus connection for the life of the process, and
// ends the process when that bus goes, so this one is started once and
// never stopped: it ends with the process, and its folder goes with the
// next sweep of stale session folders.
const std::string& process_bus() {
  static auto* const dir = new TempDir("sonavel-session", true);
  static auto* const bus = new std::unique_ptr<Subprocess>;
  static const std::string address = start_bus(*dir / "bus", *bus);
  return address;
}

}  // namespace

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
  busAddress_ = parts.display ? start_bus(dir_ / "bus", bus_) : process_bus();
  if (busAddress_.empty()) return fail("the session bus did not start");
  // The services the bus starts (the accessibility bus among them) are
  // told the display, as a desktop's session start tells its bus.
  if (accessibility_ &&
      run_to_end({"dbus-update-activation-environment", "DISPLAY"}, program_env()) != 0) {
    return fail("the session bus was not told the display");
  }
  if (!parts.sound) return true;
  std::filesystem::create_directories(dir_ / "sound");
  server_ = std::make_unique<SoundServer>(dir_ / "sound", busAddress_, parts.sink, parts.kind,
                                          parts.channels);
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
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + busAddress_);
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
