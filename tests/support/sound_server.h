// A private PulseAudio server with one null sink, and a recorder attached to
// the sink's monitor, for tests and scripts that listen to what a program
// really plays. The one place that starts a sound server or parec.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace sonavel_test {

class SoundServer {
 public:
  // format: a PulseAudio sample format name such as "float32le" or "s16le".
  explicit SoundServer(const std::string& format = "float32le");
  ~SoundServer();

  bool ready() const { return ready_; }
  const std::string& dir() const { return dir_.path(); }
  // The environment a client needs to reach this server (and only it).
  std::vector<std::string> client_env() const;
  // Points this process's own clients (PortAudio through ALSA, libpulse) at it.
  void use_in_this_process() const;
  // Ends the server at once, as a crash would.
  void kill_now();
  // Freezes and thaws the server, as a hung desktop would.
  void freeze();
  void thaw();
  // Starts the server again on the same socket, with nothing connected.
  bool restart();
  // Leaves the folder (recordings, server log) in place; returns its path.
  const std::string& keep_files() { return dir_.keep(); }

 private:
  bool launch();

  TempDir dir_{"sonavel-pulse"};
  std::string format_;
  std::unique_ptr<Subprocess> daemon_;
  bool ready_ = false;
};

// Records the null sink's monitor as raw samples of the given format.
class MonitorRecorder {
 public:
  MonitorRecorder(const SoundServer& server, const std::string& format, const std::string& path);
  // Waits until samples arrive, so the sink is awake (a null sink may hold a
  // new client back for up to 2 s otherwise).
  bool wait_until_flowing();
  const std::string& path() const { return path_; }
  std::vector<float> read_float() const;
  std::vector<std::int16_t> read_s16() const;
  std::size_t bytes() const;

 private:
  std::string path_;
  std::unique_ptr<Subprocess> parec_;
};

}  // namespace sonavel_test
