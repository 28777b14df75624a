#include "support/sound_server.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/recording.h"
#include "support/waits.h"

namespace sonavel_test {

namespace fs = std::filesystem;

namespace {

constexpr const char* folderPrefix = "sonavel-sound-";

// Folders of servers whose test was killed (a time-out, a stopped run): their
// owner is gone, and nothing else would ever remove them. A folder kept for a
// look after a failure goes after a day.
void clear_stale_server_folders() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/tmp", ec)) {
    const std::string name = entry.path().filename();
    if (name.rfind(folderPrefix, 0) != 0 || !entry.is_directory(ec)) continue;
    const fs::path kept = entry.path() / "kept";
    if (fs::exists(kept, ec)) {
      const auto age = fs::file_time_type::clock::now() - fs::last_write_time(kept, ec);
      if (!ec && age > std::chrono::hours(24)) fs::remove_all(entry.path(), ec);
      continue;
    }
    const std::string owner = slurp(entry.path() / "owner");
    if (owner.empty()) continue;  // just made, not yet claimed
    const pid_t pid = static_cast<pid_t>(std::stol(owner));
    if (kill(pid, 0) != 0 && errno == ESRCH) fs::remove_all(entry.path(), ec);
  }
}

}  // namespace

const char* server_name(ServerKind kind) {
  return kind == ServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

SoundServer::SoundServer(const std::string& format, ServerKind kind, int channels)
    : format_(format), kind_(kind), channels_(channels) {
  std::ofstream(dir_ / "owner") << getpid();
  clear_stale_server_folders();
  fs::create_directories(dir_ / "run");
  fs::create_directories(dir_ / "home");
  chmod((dir_ / "run").c_str(), 0700);
  launch();
}

const std::string& SoundServer::keep_files() {
  std::ofstream(dir_ / "kept") << getpid();
  return dir_.keep();
}

// What every daemon of the server gets: the clients' environment without a
// server to connect to, no display and the server's own session bus
// (PipeWire's services need one). A desktop's own bus, or one reached through
// the X server, would be shared between private servers, and the second one
// to register the same name would exit.
std::vector<std::string> SoundServer::daemon_env() const {
  std::vector<std::string> env = client_env();
  env.insert(env.end(), {"PULSE_SERVER", "DISPLAY", "WAYLAND_DISPLAY", "PIPEWIRE_REMOTE",
                         "DBUS_SESSION_BUS_ADDRESS=" + bus_address()});
  return env;
}

void SoundServer::start_daemon(const std::string& name, std::vector<std::string> argv) {
  daemons_.push_back(std::make_unique<Subprocess>(std::move(argv), daemon_env(),
                                                  dir_ / (name + ".out"), dir_ / (name + ".err")));
}

bool SoundServer::answers() const {
  Subprocess info({"pactl", "info"}, client_env());
  return info.wait_exit(slowMachineWait) == 0;
}

bool SoundServer::launch() {
  ready_ = start_bus() && (kind_ == ServerKind::PipeWire ? launch_pipewire() : launch_pulseaudio());
  return ready_;
}

bool SoundServer::start_bus() {
  start_daemon("dbus", {"dbus-daemon", "--session", "--nofork", "--nopidfile",
                        "--address=" + bus_address()});
  return wait_until([&] { return fs::exists(dir_ / "bus"); });
}

std::string SoundServer::bus_address() const {
  return "unix:path=" + dir_ / "bus";
}

bool SoundServer::launch_pulseaudio() {
  start_daemon(
      "daemon",
      {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
       "--log-target=stderr", "--log-level=error", "-L",
       "module-native-protocol-unix socket=" + (dir_ / "native") + " auth-anonymous=1", "-L",
       "module-null-sink sink_name=nullsink format=" + format_ +
           " channels=" + std::to_string(channels_) + " rate=44100"});
  return wait_until([&] { return fs::exists(dir_ / "native") && answers(); });
}

// PipeWire as a desktop runs it: the graph, its session manager (which links
// streams to the default sink) and the PulseAudio service, then the null sink
// made through that service and chosen as the default.
bool SoundServer::launch_pipewire() {
  start_daemon("pipewire", {"pipewire"});
  if (!wait_until([&] { return fs::exists(dir_ / "run/pipewire-0"); })) return false;
  start_daemon("wireplumber", {"wireplumber"});
  start_daemon("pipewire-pulse", {"pipewire-pulse"});
  if (!wait_until([&] { return fs::exists(dir_ / "run/pulse/native") && answers(); })) return false;
  Subprocess load({"pactl", "load-module", "module-null-sink", "sink_name=nullsink",
                   "format=" + format_, "rate=44100", "channels=" + std::to_string(channels_)},
                  client_env());
  if (load.wait_exit(slowMachineWait) != 0) return false;
  Subprocess choose({"pactl", "set-default-sink", "nullsink"}, client_env());
  if (choose.wait_exit(slowMachineWait) != 0) return false;
  return wait_until([&] {
    Subprocess get({"pactl", "get-default-sink"}, client_env(), dir_ / "default-sink");
    return get.wait_exit(slowMachineWait) == 0 && slurp(dir_ / "default-sink") == "nullsink\n";
  });
}

SoundServer::~SoundServer() {
  thaw();
  while (!daemons_.empty()) daemons_.pop_back();
}

std::vector<std::string> SoundServer::client_env() const {
  // pipewire-pulse listens in the runtime folder, as on a desktop.
  const std::string socket =
      kind_ == ServerKind::PipeWire ? dir_ / "run/pulse/native" : dir_ / "native";
  return {"PULSE_SERVER=unix:" + socket, "XDG_RUNTIME_DIR=" + (dir_ / "run"),
          "HOME=" + (dir_ / "home"), "PULSE_COOKIE=" + (dir_ / "home/cookie")};
}

void SoundServer::use_in_this_process() const {
  for (const auto& e : client_env()) {
    const auto eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
}

void SoundServer::kill_now() {
  if (!daemons_.empty()) daemons_.back()->signal(SIGKILL);
}
void SoundServer::freeze() {
  for (auto& d : daemons_) d->signal(SIGSTOP);
}
void SoundServer::thaw() {
  for (auto& d : daemons_) d->signal(SIGCONT);
}

bool SoundServer::suspend_sink(bool suspended) const {
  Subprocess suspend({"pactl", "suspend-sink", "nullsink", suspended ? "1" : "0"}, client_env());
  return suspend.wait_exit(slowMachineWait) == 0;
}

bool SoundServer::restart() {
  while (!daemons_.empty()) daemons_.pop_back();
  std::error_code ec;
  fs::remove(dir_ / "native", ec);
  fs::remove(dir_ / "bus", ec);
  return launch();
}

MonitorRecorder::MonitorRecorder(const SoundServer& server, const std::string& format,
                                 const std::string& path, int channels)
    : path_(path) {
  std::vector<std::string> argv{"parec",
                                "--device=nullsink.monitor",
                                "--format=" + format,
                                "--channels=" + std::to_string(channels),
                                "--rate=44100",
                                "--latency-msec=20",
                                "--raw"};
  // Two channels: front left and right, as the sink has them.
  if (channels == 2) argv.push_back("--channel-map=front-left,front-right");
  argv.push_back(path);
  parec_ = std::make_unique<Subprocess>(argv, server.client_env());
}

std::size_t MonitorRecorder::bytes() const {
  std::error_code ec;
  const auto n = fs::file_size(path_, ec);
  return ec ? 0 : static_cast<std::size_t>(n);
}

bool MonitorRecorder::wait_until_flowing() {
  return wait_until([&] { return bytes() > 4096; });
}

std::vector<float> MonitorRecorder::read_float() const {
  return read_recording<float>(path_);
}
std::vector<std::int16_t> MonitorRecorder::read_s16() const {
  return read_recording<std::int16_t>(path_);
}

}  // namespace sonavel_test
