// One run of a program the way a user starts it, in a private session whose
// display is watched for windows being mapped: its exit status, its output
// and how many windows it showed.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/map_watcher.h"
#include "support/private_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/waits.h"

namespace sonavel_test {

struct ProgramRun {
  int status = -1;  // -1: still running when the limit came, then stopped
  std::string out, err;
  int windowsMapped = -1;
  int signalsSent = 0;  // of the plan's, those sent while it still ran
};

// Signals sent as a session ends or a person presses Ctrl+C: the first two
// seconds after the program has mapped its window, each further one apart
// from the one before, while the program still runs; before, when given,
// runs just before the first, with the program's environment. Not sooner: a
// PortAudio stream on a null sink stopped in its first seconds is slow to stop
// (a bare PortAudio stream as much as sonavel_pa's), past the 1.5 s that
// sonavel_pa allows a sound call before it exits without it.
struct SignalPlan {
  std::vector<int> signals;
  std::chrono::milliseconds apart{300};
  std::function<void(const std::vector<std::string>& env)> before = {};
};

// Runs argv in session until it ends, or limit after its last signal.
inline ProgramRun run_program(const PrivateSession& session, std::vector<std::string> argv,
                              std::chrono::milliseconds limit = slowMachineWait,
                              const SignalPlan& plan = {}) {
  MapWatcher watcher(session.display_name());
  TempDir dir("sonavel-run", true);
  const std::vector<std::string> programEnv = session.program_env();
  ProgramRun r;
  {
    Subprocess prog(argv, programEnv, dir / "out", dir / "err");
    if (!plan.signals.empty()) {
      wait_until([&] { return !watcher.ready() || watcher.mapped() > 0 || !prog.running(); }, limit,
                 std::chrono::milliseconds(20));
      std::this_thread::sleep_for(std::chrono::seconds(2));
      if (plan.before) plan.before(programEnv);
      for (const int sig : plan.signals) {
        if (r.signalsSent > 0) std::this_thread::sleep_for(plan.apart);
        if (!prog.running()) break;
        prog.signal(sig);
        ++r.signalsSent;
      }
    }
    if (const auto status = prog.wait_exit(limit)) r.status = *status;
  }
  r.out = slurp(dir / "out");
  r.err = slurp(dir / "err");
  r.windowsMapped = watcher.ready() ? watcher.mapped() : -1;
  return r;
}

}  // namespace sonavel_test
