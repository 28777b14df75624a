// Endurance and faults, the way a restless user and a flaky desktop meet the
// programs: a storm of random real input (wheel, keys, clicks through xdotool)
// for a bounded time, after which the program is alive, its title names the
// last burst, the recording holds exactly the bursts the title announced, each
// cut off by the next or played whole, and resident memory has not grown; and
// the sound server killed and started again under sonavel.
//
// And on each server a desktop runs (PulseAudio, PipeWire): bursts beside a
// busy loop, each whole, without a dropout; and fresh starts, each of which
// plays its first burst. (bench/soak plays longer rounds of the same and
// counts their dropouts.)
//
// SONAVEL_STORM_SECONDS sets the storm's length (a few seconds by default;
// scripts/soak makes it minutes).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

#include "support/burst_rounds.h"
#include "support/program_tests.h"

using namespace sonavel_test;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;  // its quarantine keeps freed memory resident
#else
constexpr bool underAddressSanitizer = false;
#endif

int storm_seconds() {
  const char* s = std::getenv("SONAVEL_STORM_SECONDS");
  return s != nullptr && std::atoi(s) > 0 ? std::atoi(s) : 5;
}

long resident_kib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

using Storm = ::testing::TestWithParam<std::string>;
using FrozenServer = ::testing::TestWithParam<std::string>;

// One random input; returns what it was, for the failure message.
std::string random_input(ProgramSession& s, std::mt19937& rng) {
  static const char* const keys[] = {"Up",   "Down", "Page_Up", "Page_Down",
                                     "Home", "End",  "Tab",     "shift+Tab"};
  const int band = static_cast<int>(rng() % 33);
  switch (rng() % 4) {
    case 0:
    case 1: {
      const char* k = keys[rng() % 8];
      s.key(k);
      return k;
    }
    case 2: {
      const int button = rng() % 2 ? 4 : 5;
      s.wheel(band, button);
      return "wheel " + std::to_string(button) + " over band " + std::to_string(band);
    }
    default: {
      const int y = 70 + static_cast<int>(rng() % 360);
      s.click(band_x(band), y);
      return "click on band " + std::to_string(band) + " at y " + std::to_string(y);
    }
  }
}

TEST_P(Storm, RandomInputLeavesTheProgramWholeAndEveryBurstExact) {
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    ProgramSession s(program_binary(GetParam()), this_tests_evidence());
    ASSERT_TRUE(s.start()) << "the program did not come up" << s.keep();
    const std::size_t from = s.recorded_samples();
    std::mt19937 rng(std::random_device{}());
    std::vector<Change> announced;
    std::string title = s.title(), last_input, inputs_given;
    long rss_after_warmup = -1;
    int inputs = 0;
    const auto start = steady_clock::now();
    const auto until = start + std::chrono::seconds(storm_seconds());
    // Many inputs move nothing (Tab, a wheel beyond the window's edge), and
    // each of those waits a second for the title; on a slow machine a short
    // storm can be only such inputs, so it runs on until one moves a slider.
    while (steady_clock::now() < until || (announced.empty() && inputs < 40)) {
      last_input = random_input(s, rng);
      inputs_given += (inputs++ == 0 ? "" : ", ") + last_input;
      // Each input moves at most one slider once; wait until the title shows
      // it, or long enough to say it moved nothing.
      const auto give_up = steady_clock::now() + milliseconds(1000);
      std::string now = s.title();
      while (now == title && steady_clock::now() < give_up) {
        sleep_ms(20);
        now = s.title();
      }
      if (now != title) {
        Change c{};
        ASSERT_TRUE(parse_title(now, c)) << now << s.keep();
        announced.push_back(c);
        title = now;
      }
      if (rss_after_warmup < 0 && steady_clock::now() - start > std::chrono::seconds(1)) {
        rss_after_warmup = resident_kib(s.program().pid());
      }
    }
    sleep_ms(3000 + 700);  // the last burst plays out
    ASSERT_TRUE(s.program().running()) << "the program ended during the storm" << s.keep();
    EXPECT_EQ(s.title(), title) << "a late change after: " << last_input << s.keep();
    const long rss_end = resident_kib(s.program().pid());
    std::printf("%d inputs, %zu bursts announced; resident %ld KiB after warm-up, %ld at the end\n",
                inputs, announced.size(), rss_after_warmup, rss_end);
    ASSERT_FALSE(announced.empty()) << "no input moved a slider: " << inputs_given << s.keep();

    const BurstMatch m = match_changes(s.recording(), announced, from);
    if (retry.again(m)) continue;
    ASSERT_EQ(m.result, MatchResult::Exact) << m.detail << s.keep();
    if (!underAddressSanitizer) {
      EXPECT_LT(rss_end - rss_after_warmup, 4096) << "resident memory grew";
    }
    EXPECT_EQ(s.stderr_text(), "");
    return;
  }
}

// The sound server hangs (stopped, not gone) while a burst plays: closing the
// window still ends the program within 2 s, with status 0, and standard error
// says at most on one line what did not finish.
TEST_P(FrozenServer, ClosingTheWindowEndsTheProgramWithinTwoSeconds) {
  ProgramSession s(program_binary(GetParam()), this_tests_evidence());
  ASSERT_TRUE(s.start()) << s.keep();
  s.key("Page_Down");
  sleep_ms(500);
  s.server().freeze();
  ASSERT_TRUE(s.close_like_a_window_manager());
  const auto closed = steady_clock::now();
  const auto status = s.program().wait_exit(slowMachineWait);
  const double seconds = std::chrono::duration<double>(steady_clock::now() - closed).count();
  s.server().thaw();
  ASSERT_TRUE(status.has_value()) << "still running long after the close" << s.keep();
  EXPECT_EQ(*status, 0);
  EXPECT_LT(seconds, 2.0) << s.keep();
  const std::string err = s.stderr_text();
  EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 1) << err;
  std::printf("ended %.2f s after the close; standard error: %s\n", seconds, err.c_str());
}

INSTANTIATE_TEST_SUITE_P(Programs, Storm, ::testing::Values("sonavel", "sonavel_pa"),
                         [](const auto& info) { return info.param; });
INSTANTIATE_TEST_SUITE_P(Programs, FrozenServer, ::testing::Values("sonavel", "sonavel_pa"),
                         [](const auto& info) { return info.param; });

// Each program on each server.
using ProgramOnServer = std::tuple<std::string, ServerKind>;
class OnEachServer : public ::testing::TestWithParam<ProgramOnServer> {
 protected:
  std::string binary() const { return program_binary(std::get<0>(GetParam())); }
  ServerKind kind() const { return std::get<1>(GetParam()); }
};
std::string program_on_server_name(const ::testing::TestParamInfo<ProgramOnServer>& info) {
  return std::get<0>(info.param) + "_" + server_name(std::get<1>(info.param));
}

using WholeBursts = OnEachServer;
using FreshStarts = OnEachServer;

// Two bursts beside a busy loop, 30 dB and 40 dB: each arrives as 25 Hz at
// its level for 3 s, with no run of zeros inside. A round with a dropout is
// played again within the sound tests' retry policy; a wrong sample fails at
// once.
TEST_P(WholeBursts, BesideABusyLoopEveryBurstIsWhole) {
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    ProgramSession s(binary(), this_tests_evidence(), kind());
    ASSERT_TRUE(s.start()) << "the program did not come up" << s.keep();
    int dropouts = 0;
    for (const BurstMatch& m : bursts_beside_a_busy_loop(s, 2)) {
      ASSERT_NE(m.result, MatchResult::NotFound) << m.detail << s.keep();
      ASSERT_NE(m.result, MatchResult::WrongSample) << m.detail << s.keep();
      dropouts += m.result == MatchResult::Underrun;
    }
    if (retry.again(dropouts > 0, std::to_string(dropouts) + " of 2 with a dropout")) continue;
    EXPECT_EQ(dropouts, 0) << s.keep();
    return;
  }
}

// A program started afresh plays the first burst it announces, each of two
// starts: a real Page Down on the first band, heard as 25 Hz at -30 dB for
// 3 s. A start whose burst has a dropout is started again within the retry
// policy; a silent or wrong first burst fails.
TEST_P(FreshStarts, EveryStartPlaysItsFirstBurst) {
  for (int start = 1; start <= 2; ++start) {
    for (UnderrunRetry retry(soundPathRetry); retry.next();) {
      ProgramSession s(binary(), this_tests_evidence(), kind());
      ASSERT_TRUE(s.start()) << "start " << start << ": the program did not come up" << s.keep();
      const BurstMatch m = first_burst(s);
      ASSERT_EQ(s.title(), expected_title({25, 30})) << s.keep();
      if (retry.again(m)) continue;
      EXPECT_EQ(m.result, MatchResult::Exact) << "start " << start << ": " << m.detail << s.keep();
      break;
    }
  }
}

const auto eachProgramOnEachServer =
    ::testing::Combine(::testing::Values("sonavel", "sonavel_pa"),
                       ::testing::Values(ServerKind::PulseAudio, ServerKind::PipeWire));
INSTANTIATE_TEST_SUITE_P(Programs, WholeBursts, eachProgramOnEachServer, program_on_server_name);
INSTANTIATE_TEST_SUITE_P(Programs, FreshStarts, eachProgramOnEachServer, program_on_server_name);

// The desktop's sound server dies under sonavel mid-burst: one line on
// standard error, the window carries on (its controls still answer), the
// server coming back changes nothing, and closing still ends with status 0.
TEST(ServerLoss, SonavelReportsOnceAndKeepsItsWindow) {
  ProgramSession s(SONAVEL_BINARY, this_tests_evidence());
  ASSERT_TRUE(s.start()) << s.keep();
  s.key("Page_Down");
  sleep_ms(500);
  ASSERT_EQ(s.title(), expected_title({25, 30})) << s.keep();

  s.server().kill_now();
  sleep_ms(1500);
  ASSERT_TRUE(s.program().running()) << "the program ended with the server" << s.keep();
  std::string err = s.stderr_text();
  EXPECT_EQ(err.rfind("audio stream error: ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

  ASSERT_TRUE(s.server().restart());
  s.key("Page_Down");
  sleep_ms(500);
  EXPECT_EQ(s.title(), expected_title({25, 20})) << "the controls stopped answering" << s.keep();
  sleep_ms(500);
  EXPECT_EQ(s.stderr_text(), err) << "the error is reported once";

  ASSERT_TRUE(s.close_like_a_window_manager());
  const auto status = s.program().wait_exit(slowMachineWait);
  ASSERT_TRUE(status.has_value()) << s.keep();
  EXPECT_EQ(*status, 0);
}

}  // namespace
