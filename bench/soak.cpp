// Longer rounds of the bursts the storm tests play, measured instead of
// decided: for each program on each server (or the one named), each in a
// private session of its own, either N bursts beside a busy loop or N fresh
// starts with their first burst, each measured at the sink. With --reference,
// each burst is played again through pacat, a client that keeps 200 ms
// queued and does nothing else: its dropouts are the ones any client meets
// on that server and machine, the baseline the program's are read against.
// Usage: soak (--bursts N | --starts N) [--reference] [--program NAME] [--server KIND]
// Prints, per program and server, "PROGRAM SERVER bursts N dropouts D wrong W"
// and, with --reference, "reference R", the reference client's dropouts.
// Exits 1 when a program did not come up or a burst was silent or wrong.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/burst_rounds.h"
#include "support/reference_burst.h"

namespace {

using namespace sonavel_test;

// Plays one 25 Hz burst at db through pacat in s and measures it at the
// sink; true for a dropout.
bool reference_dropout(ProgramSession& s, int db) {
  const std::vector<float> burst = reference_burst(25, db);
  const std::string path = s.evidence_file("reference.f32");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(burst.data()),
             static_cast<std::streamsize>(burst.size() * sizeof(float)));
  const std::size_t from = s.recorded_samples();
  run_to_end({"pacat", "--raw", "--format=float32le", "--rate=44100", "--channels=1",
              "--latency-msec=200", path},
             s.server().client_env());
  sleep_ms(600);  // what the server and the recorder still hold plays out
  const BurstMatch m = match_measured(s.recording(), from, 25, db);
  std::printf("reference: %s\n", m.detail.c_str());
  return m.result == MatchResult::Underrun;
}

struct Tally {
  int bursts = 0, dropouts = 0, wrong = 0, reference = 0;
  bool failed = false;
  void count(const BurstMatch& m) {
    ++bursts;
    dropouts += m.result == MatchResult::Underrun;
    wrong += m.result == MatchResult::WrongSample || m.result == MatchResult::NotFound;
  }
};

Tally soak(const std::string& program, ServerKind kind, bool starts, int n, bool reference) {
  Tally t;
  const std::string evidence =
      std::string(E2E_EVIDENCE_DIR) + "/soak-" + program + "-" + server_name(kind);
  auto play_reference = [&](ProgramSession& s, int i) {
    if (reference) t.reference += reference_dropout(s, round_level(i));
  };
  for (int round = 0; round < (starts ? n : 1); ++round) {
    ProgramSession s(program_binary(program), evidence, kind);
    if (!s.start()) {
      std::printf("%s did not come up%s\n", program.c_str(), s.keep().c_str());
      t.failed = true;
      return t;
    }
    if (starts) {
      t.count(first_burst(s));
      play_reference(s, 0);
    } else {
      for (const BurstMatch& m :
           bursts_beside_a_busy_loop(s, n, [&](int i) { play_reference(s, i); })) {
        t.count(m);
      }
    }
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  bool starts = false, reference = false;
  int n = 0;
  std::vector<std::string> programs{"sonavel", "sonavel_pa"};
  std::vector<ServerKind> kinds{ServerKind::PulseAudio, ServerKind::PipeWire};
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if ((option == "--bursts" || option == "--starts") && i + 1 < argc) {
      starts = option == "--starts";
      n = std::atoi(argv[++i]);
    } else if (option == "--reference") {
      reference = true;
    } else if (option == "--program" && i + 1 < argc) {
      programs = {argv[++i]};
    } else if (option == "--server" && i + 1 < argc) {
      kinds = {std::strcmp(argv[++i], "pipewire") == 0 ? ServerKind::PipeWire
                                                       : ServerKind::PulseAudio};
    } else {
      n = 0;
      break;
    }
  }
  if (n <= 0) {
    std::fprintf(stderr,
                 "usage: soak (--bursts N | --starts N) [--reference] [--program NAME] "
                 "[--server pulseaudio|pipewire]\n");
    return 2;
  }
  int status = 0;
  for (const std::string& program : programs) {
    for (const ServerKind kind : kinds) {
      const Tally t = soak(program, kind, starts, n, reference);
      std::printf("%s %s bursts %d dropouts %d wrong %d", program.c_str(), server_name(kind),
                  t.bursts, t.dropouts, t.wrong);
      if (reference) std::printf(" reference %d", t.reference);
      std::printf("\n");
      std::fflush(stdout);
      if (t.failed || t.wrong > 0) status = 1;
    }
  }
  return status;
}
