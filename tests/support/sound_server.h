// A private sound server with one null sink, and a recorder attached to the
// sink's monitor, for tests and scripts that listen to what a program really
// plays: PulseAudio, or PipeWire (with WirePlumber and its PulseAudio
// service), as desktops run them. Each server runs in a folder of its own
// (its sockets, runtime folder, home and logs) on its session's bus, and
// shares nothing with another or with the desktop. The one place that starts
// a sound server or parec; a PrivateSession starts it.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/recording.h"
#include "support/subprocess.h"

namespace sonavel_test {

enum class ServerKind { PulseAudio, PipeWire };
const char* server_name(ServerKind kind);
// How a test's name shows the kind.
inline void PrintTo(ServerKind kind, std::ostream* os) {
  *os << server_name(kind);
}

class SoundServer {
 public:
  // dir: an empty folder for it; bus_address: its session's bus; format: a
  // PulseAudio sample format name such as "float32le" or "s16le"; channels:
  // the null sink's (1, or 2 for front left and right).
  SoundServer(const std::string& dir, const std::string& bus_address, const std::string& format,
              ServerKind kind, int channels);
  ~SoundServer();
  SoundServer(const SoundServer&) = delete;
  SoundServer& operator=(const SoundServer&) = delete;

  bool ready() const { return ready_; }
  ServerKind kind() const { return kind_; }
  const std::string& dir() const { return dir_; }
  // The socket clients connect to, and the environment a client needs to
  // reach this server (and only it).
  std::string socket() const;
  std::vector<std::string> client_env() const;
  // Ends the server that clients talk to at once, as a crash would.
  void kill_now();
  // Freezes and thaws the server, as a hung desktop would.
  void freeze();
  void thaw();
  // Starts the server again on the same socket, with nothing connected.
  bool restart();
  // Runs pactl with args against this server: its status, as run_to_end.
  std::optional<int> pactl(std::vector<std::string> args,
                           const std::string& out_path = "/dev/null") const;

 private:
  bool launch();
  bool launch_pulseaudio();
  bool launch_pipewire();
  void start_daemon(const std::string& name, std::vector<std::string> argv);
  std::vector<std::string> daemon_env() const;

  std::string dir_, busAddress_;
  std::string format_;
  ServerKind kind_;
  int channels_;
  // Started in this order, stopped in the reverse; the last one serves clients.
  std::vector<std::unique_ptr<Subprocess>> daemons_;
  bool ready_ = false;
};

// Records the null sink's monitor as raw samples of the given format, the
// channels interleaved.
class MonitorRecorder {
 public:
  MonitorRecorder(const SoundServer& server, const std::string& format, const std::string& path,
                  int channels = 1);
  // Waits until samples arrive, so the sink is awake (a null sink may hold a
  // new client back for up to 2 s otherwise).
  bool wait_until_flowing();
  const std::string& path() const { return path_; }
  // What has been recorded so far, as samples of T.
  template <typename T = float>
  std::vector<T> read() const {
    return read_recording<T>(path_);
  }
  std::size_t bytes() const;

 private:
  std::string path_;
  std::unique_ptr<Subprocess> parec_;
};

}  // namespace sonavel_test
