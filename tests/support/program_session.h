// One program started the way a user starts it, in a private session whose
// null sink's monitor is recorded, and driven with real X input through
// xdotool. Header-only: the including test target
// defines X_SNAPSHOT_TOOL, the path of the X helper that takes screenshots,
// SONAVEL_BINARY and SONAVEL_PA_BINARY, the programs, and E2E_EVIDENCE_DIR,
// where evidence is kept (sonavel_uses_programs in CMake).
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/map_watcher.h"
#include "support/private_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/waits.h"

namespace sonavel_test {

inline void sleep_ms(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Where the band strip puts band i's slider, in window coordinates, at the
// default window size.
inline int band_x(int band) {
  return 31 + 46 * band;
}
constexpr int timeWindowSliderX = 948;

// The built program of that name: "sonavel" or "sonavel_pa".
inline std::string program_binary(const std::string& name) {
  return name == "sonavel" ? SONAVEL_BINARY : SONAVEL_PA_BINARY;
}

struct Change {
  int hz, db;
};

// One program started the way a user starts it, in a session of its own.
class ProgramSession {
 public:
  // evidence: where the recording, the program's output and screenshots go
  // (a unique folder named after it), kept only when keep() is called.
  // channels: the null sink's, recorded interleaved.
  ProgramSession(const std::string& program, const std::string& evidence,
                 ServerKind kind = ServerKind::PulseAudio, int channels = 1)
      : program_(program),
        evidenceDir_(evidence),
        evidence_(evidenceDir_.path()),
        session_({.kind = kind, .channels = channels, .recording = recording_path()}) {}
  ~ProgramSession() {
    if (prog_) prog_->stop();
  }

  bool start() {
    if (!session_.ready()) {
      std::printf("the session did not start: %s\n", session_.why_not().c_str());
      return false;
    }
    MapWatcher maps(session_.display_name());
    prog_ = std::make_unique<Subprocess>(std::vector<std::string>{program_}, session_.program_env(),
                                         evidence_ + "/stdout", evidence_ + "/stderr");
    if (!maps.ready() || !wait_until([&] { return maps.first_mapped() != 0; })) {
      // A program that is still starting after so long is stuck somewhere.
      save_program_state();
      return false;
    }
    window_ = std::to_string(maps.first_mapped());
    xdotool({"windowfocus", "--sync", window_});
    sleep_ms(300);
    return true;
  }

  std::string xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    const std::string out = evidence_ + "/xdotool.out";
    run_to_end(args, {"DISPLAY=" + session_.display_name()}, out);
    return slurp(out);
  }
  std::string title() {
    std::string t = xdotool({"getwindowname", window_});
    return t.substr(0, t.find('\n'));
  }
  void key(const std::string& k) { xdotool({"key", k}); }
  void wheel(int band, int button) {
    xdotool(at(band_x(band), 200, {"click", std::to_string(button)}));
  }
  void click(int x, int y) { xdotool(at(x, y, {"click", "1"})); }
  // Presses at (x, y0), moves in steps of 10 pixels and lets go at (x, y1).
  void drag(int x, int y0, int y1) {
    xdotool(at(x, y0, {"mousedown", "1"}));
    const int step = y1 > y0 ? 10 : -10;
    for (int y = y0 + step; (step > 0 ? y < y1 : y > y1); y += step) xdotool(at(x, y));
    xdotool(at(x, y1, {"mouseup", "1"}));
  }
  bool close_like_a_window_manager() {
    return send_wm_delete(session_.display_name(), std::stoul(window_));
  }
  std::string screenshot(const std::string& name) {
    const std::string path = evidence_file(name);
    run_to_end({X_SNAPSHOT_TOOL, path, window_}, {"DISPLAY=" + session_.display_name()});
    return path;
  }
  std::vector<float> recording() { return session_.recorder().read(); }
  std::size_t recorded_samples() { return session_.recorder().bytes() / sizeof(float); }
  std::string recording_path() const { return evidence_file("monitor.f32"); }
  std::string evidence_file(const std::string& name) const { return evidence_ + "/" + name; }
  Subprocess& program() { return *prog_; }
  SoundServer& server() { return session_.server(); }
  std::string stderr_text() const { return slurp(evidence_ + "/stderr"); }

  // Keeps the evidence and says where it is.
  std::string keep() {
    evidenceDir_.keep();
    save_program_state();
    const std::string shot = screenshot("failure.png");
    return " (recording: " + recording_path() + ", screenshot: " + shot + ")";
  }

 private:
  // xdotool's words that move the pointer to (x, y) in the window, followed
  // by the words in `then`.
  std::vector<std::string> at(int x, int y, std::vector<std::string> then = {}) const {
    std::vector<std::string> args{"mousemove", "--window", window_, std::to_string(x),
                                  std::to_string(y)};
    args.insert(args.end(), then.begin(), then.end());
    return args;
  }
  // Where each of the running program's threads stands (backtrace.txt), and
  // its stream as the server sees it (sink-inputs.txt): what a stuck start
  // or a silent stream needs to be explained.
  void save_program_state() {
    if (!prog_ || !prog_->running()) return;
    run_to_end({"gdb", "-p", std::to_string(prog_->pid()), "-batch", "-ex", "thread apply all bt"},
               {}, evidence_ + "/backtrace.txt");
    session_.server().pactl({"list", "sink-inputs"}, evidence_ + "/sink-inputs.txt");
  }

  std::string program_;
  TempDir evidenceDir_;
  std::string evidence_;
  PrivateSession session_;
  std::unique_ptr<Subprocess> prog_;
  std::string window_;
};

inline std::string expected_title(const Change& c) {
  return "Sonavel - " + std::to_string(c.hz) + " Hz @ -" + std::to_string(c.db) + " dB";
}

inline bool parse_title(const std::string& title, Change& c) {
  std::smatch m;
  if (!std::regex_match(title, m, std::regex("Sonavel - (\\d+) Hz @ -(\\d+) dB"))) return false;
  c = {std::stoi(m[1]), std::stoi(m[2])};
  return true;
}

}  // namespace sonavel_test
