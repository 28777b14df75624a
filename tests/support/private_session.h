// A desktop's parts for the programs under test, private to one session and
// stopped with it: an X display, a session bus, and a sound server of either
// kind with one null sink, whose monitor may be recorded. A program started
// in the session gets one environment from it, the same for tests, tools and
// benchmarks. The one place that puts these parts together.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/display.h"
#include "support/sound_server.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace sonavel_test {

struct SessionParts {
  // A private Xvfb and bus; false for a test whose toolkit runs in its own
  // process on the process's display (ensure_display) and bus, which
  // outlive any session.
  bool display = true;
  bool glx = false;
  std::string screen = "1280x1024x24";
  // false: no sound server, and programs find none where they look.
  bool sound = true;
  ServerKind kind = ServerKind::PulseAudio;
  std::string sink = "float32le";  // the null sink's sample format, also the recording's
  int channels = 1;
  // Where to record the sink's monitor: a path, or a name in the session's
  // folder; empty: not recorded.
  std::string recording = {};
  // Whether programs load the toolkit's accessibility bridge, as they do on
  // a desktop where a screen reader may listen.
  bool accessibility = false;
};

class PrivateSession {
 public:
  explicit PrivateSession(const SessionParts& parts = {});
  PrivateSession(const PrivateSession&) = delete;
  PrivateSession& operator=(const PrivateSession&) = delete;

  bool ready() const { return whyNot_.empty(); }
  const std::string& why_not() const { return whyNot_; }  // what did not start

  // The environment of a program in this session: its display, its bus and
  // its sound server (or, without one, a socket where none listens).
  std::vector<std::string> program_env() const;
  // Sets program_env in this process, for clients that run in the test.
  void use_in_this_process() const;

  const std::string& display_name() const { return display_ ? display_->name() : noDisplay_; }
  pid_t display_pid() const { return display_ ? display_->pid() : -1; }
  SoundServer& server() { return *server_; }
  MonitorRecorder& recorder() { return *recorder_; }
  // Where a program looks for its sound server.
  std::string server_socket() const;
  // Leaves the session's folder (server logs, a recording kept there) in
  // place; returns its path.
  const std::string& keep();

 private:
  bool start(const SessionParts& parts);

  TempDir dir_;
  std::unique_ptr<PrivateDisplay> display_;
  std::unique_ptr<Subprocess> bus_;
  std::unique_ptr<SoundServer> server_;
  std::unique_ptr<MonitorRecorder> recorder_;
  bool accessibility_ = false;
  std::string busAddress_, noDisplay_, whyNot_;
};

}  // namespace sonavel_test
