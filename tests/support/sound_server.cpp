#include "support/sound_server.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace sonavel_test {

namespace fs = std::filesystem;

SoundServer::SoundServer(const std::string& format) : format_(format) {
  fs::create_directories(dir_ / "run");
  fs::create_directories(dir_ / "home");
  chmod((dir_ / "run").c_str(), 0700);
  launch();
}

bool SoundServer::launch() {
  ready_ = false;
  std::vector<std::string> env = client_env();
  env.push_back("PULSE_SERVER=");  // the daemon itself listens, not connects
  daemon_ = std::make_unique<Subprocess>(
      std::vector<std::string>{
          "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
          "--log-target=stderr", "--log-level=error", "-L",
          "module-native-protocol-unix socket=" + (dir_ / "native") + " auth-anonymous=1", "-L",
          "module-null-sink sink_name=nullsink format=" + format_ + " channels=1 rate=44100"},
      env, dir_ / "daemon.out", dir_ / "daemon.err");
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    if (fs::exists(dir_ / "native")) {
      Subprocess info({"pactl", "info"}, client_env());
      if (info.wait_exit(std::chrono::seconds(5)) == 0) {
        ready_ = true;
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ready_;
}

SoundServer::~SoundServer() {
  thaw();
  daemon_.reset();
}

std::vector<std::string> SoundServer::client_env() const {
  return {"PULSE_SERVER=unix:" + (dir_ / "native"), "XDG_RUNTIME_DIR=" + (dir_ / "run"),
          "HOME=" + (dir_ / "home"), "PULSE_COOKIE=" + (dir_ / "home/cookie")};
}

void SoundServer::use_in_this_process() const {
  for (const auto& e : client_env()) {
    const auto eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
}

void SoundServer::kill_now() {
  if (daemon_) daemon_->signal(SIGKILL);
}
void SoundServer::freeze() {
  if (daemon_) daemon_->signal(SIGSTOP);
}
void SoundServer::thaw() {
  if (daemon_) daemon_->signal(SIGCONT);
}

bool SoundServer::restart() {
  if (daemon_) daemon_->stop();
  std::error_code ec;
  fs::remove(dir_ / "native", ec);
  return launch();
}

MonitorRecorder::MonitorRecorder(const SoundServer& server, const std::string& format,
                                 const std::string& path)
    : path_(path) {
  parec_ = std::make_unique<Subprocess>(
      std::vector<std::string>{"parec", "--device=nullsink.monitor", "--format=" + format,
                               "--channels=1", "--rate=44100", "--latency-msec=20", "--raw", path},
      server.client_env());
}

std::size_t MonitorRecorder::bytes() const {
  std::error_code ec;
  const auto n = fs::file_size(path_, ec);
  return ec ? 0 : static_cast<std::size_t>(n);
}

bool MonitorRecorder::wait_until_flowing() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    if (bytes() > 4096) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

template <typename T>
static std::vector<T> read_raw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<T> out(bytes.size() / sizeof(T));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
  return out;
}

std::vector<float> MonitorRecorder::read_float() const {
  return read_raw<float>(path_);
}
std::vector<std::int16_t> MonitorRecorder::read_s16() const {
  return read_raw<std::int16_t>(path_);
}

}  // namespace sonavel_test
