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

#include "support/waits.h"

namespace sonavel_test {

namespace fs = std::filesystem;

const char* server_name(ServerKind kind) {
  return kind == ServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

SoundServer::SoundServer(const std::string& dir, const std::string& bus_address,
                         const std::string& format, ServerKind kind, int channels)
    : dir_(dir), busAddress_(bus_address), format_(format), kind_(kind), channels_(channels) {
  fs::create_directories(dir_ + "/run");
  fs::create_directories(dir_ + "/home");
  chmod((dir_ + "/run").c_str(), 0700);
  launch();
}

// What every daemon of the server gets: the clients' environment without a
// server to connect to, no display and its session's bus (PipeWire's
// services need one). A desktop's own bus, or one reached through the X
// server, would be shared between private servers, and the second one to
// register the same name would exit.
std::vector<std::string> SoundServer::daemon_env() const {
  std::vector<std::string> env = client_env();
  env.insert(env.end(), {"PULSE_SERVER", "DISPLAY", "WAYLAND_DISPLAY", "PIPEWIRE_REMOTE",
                         "DBUS_SESSION_BUS_ADDRESS=" + busAddress_});
  return env;
}

void SoundServer::start_daemon(const std::string& name, std::vector<std::string> argv) {
  daemons_.push_back(std::make_unique<Subprocess>(
      std::move(argv), daemon_env(), dir_ + "/" + name + ".out", dir_ + "/" + name + ".err"));
}

std::optional<int> SoundServer::pactl(std::vector<std::string> args,
                                      const std::string& out_path) const {
  args.insert(args.begin(), "pactl");
  return run_to_end(std::move(args), client_env(), out_path);
}

bool SoundServer::launch() {
  ready_ = kind_ == ServerKind::PipeWire ? launch_pipewire() : launch_pulseaudio();
  return ready_;
}

bool SoundServer::launch_pulseaudio() {
  start_daemon("daemon",
               {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                "--log-target=stderr", "--log-level=error", "-L",
                "module-native-protocol-unix socket=" + socket() + " auth-anonymous=1", "-L",
                "module-null-sink sink_name=nullsink format=" + format_ +
                    " channels=" + std::to_string(channels_) + " rate=44100"});
  return wait_until([&] { return fs::exists(socket()) && pactl({"info"}) == 0; });
}

// PipeWire as a desktop runs it: the graph, its session manager (which links
// streams to the default sink) and the PulseAudio service, then the null sink
// made through that service and chosen as the default.
bool SoundServer::launch_pipewire() {
  start_daemon("pipewire", {"pipewire"});
  if (!wait_until([&] { return fs::exists(dir_ + "/run/pipewire-0"); })) return false;
  start_daemon("wireplumber", {"wireplumber"});
  start_daemon("pipewire-pulse", {"pipewire-pulse"});
  if (!wait_until([&] { return fs::exists(socket()) && pactl({"info"}) == 0; })) return false;
  if (pactl({"load-module", "module-null-sink", "sink_name=nullsink", "format=" + format_,
             "rate=44100", "channels=" + std::to_string(channels_)}) != 0 ||
      pactl({"set-default-sink", "nullsink"}) != 0) {
    return false;
  }
  return wait_until([&] {
    return pactl({"get-default-sink"}, dir_ + "/default-sink") == 0 &&
           slurp(dir_ + "/default-sink") == "nullsink\n";
  });
}

SoundServer::~SoundServer() {
  thaw();
  while (!daemons_.empty()) daemons_.pop_back();
}

// pipewire-pulse listens in the runtime folder, as on a desktop.
std::string SoundServer::socket() const {
  return dir_ + (kind_ == ServerKind::PipeWire ? "/run/pulse/native" : "/native");
}

std::vector<std::string> SoundServer::client_env() const {
  return {"PULSE_SERVER=unix:" + socket(), "XDG_RUNTIME_DIR=" + dir_ + "/run",
          "HOME=" + dir_ + "/home", "PULSE_COOKIE=" + dir_ + "/home/cookie"};
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

bool SoundServer::restart() {
  while (!daemons_.empty()) daemons_.pop_back();
  std::error_code ec;
  fs::remove(socket(), ec);
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

}  // namespace sonavel_test
