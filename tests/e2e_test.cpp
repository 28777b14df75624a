// End to end, the way a listener uses the tool: each program runs under its
// own Xvfb with its own PulseAudio null sink; input arrives only as real X
// input from xdotool (XTEST); the title is read back from the X server; the
// sink's monitor is recorded and compared sample for sample with bursts
// rendered independently of the program. A run that the sound
// path spoils with an underrun is tried again a bounded number of times; a
// wrong sample fails at once. A failing run keeps its recording and a
// screenshot in the build folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/program_tests.h"
#include "support/temp_dir.h"

using namespace sonavel_test;
using std::chrono::milliseconds;

namespace {

class EndToEnd : public ::testing::TestWithParam<std::string> {
 protected:
  std::string binary() const { return program_binary(GetParam()); }
};

// Keyboard on the focused band slider, then the wheel over another band: each
// change relabels the title at once and cuts the burst before it off; the
// last one plays whole and is followed by exact silence.
TEST_P(EndToEnd, KeyboardAndWheelEachPlayTheirBurst) {
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    ProgramSession s(binary(), this_tests_evidence());
    ASSERT_TRUE(s.start()) << "the program did not come up" << s.keep();
    ASSERT_EQ(s.title(), "Sonavel by the Sonavel developers");
    const std::size_t from = s.recorded_samples();
    // The first band slider (25 Hz, at 40) holds the focus.
    const std::pair<const char*, Change> keys[] = {{"Page_Down", {25, 30}},  {"Up", {25, 31}},
                                                   {"Down", {25, 30}},       {"End", {25, 120}},
                                                   {"Page_Down", {25, 110}}, {"Home", {25, 0}}};
    std::vector<Change> changes;
    for (const auto& [k, c] : keys) {
      s.key(k);
      sleep_ms(350);
      ASSERT_EQ(s.title(), expected_title(c)) << "after " << k << s.keep();
      changes.push_back(c);
    }
    s.key("Tab");
    s.key("Page_Down");  // the 31 Hz band, 40 to 30
    sleep_ms(350);
    ASSERT_EQ(s.title(), expected_title({31, 30})) << s.keep();
    changes.push_back({31, 30});
    s.wheel(16, 4);  // scroll up over 1000 Hz: 1 dB louder
    sleep_ms(350);
    ASSERT_EQ(s.title(), expected_title({1000, 39})) << s.keep();
    changes.push_back({1000, 39});
    const std::size_t before_last = s.recorded_samples();
    s.wheel(16, 5);
    sleep_ms(3000 + 600);
    ASSERT_EQ(s.title(), expected_title({1000, 40})) << s.keep();
    changes.push_back({1000, 40});

    const BurstMatch m = match_changes(s.recording(), changes, from);
    if (retry.again(m)) continue;
    ASSERT_EQ(m.result, MatchResult::Exact) << m.detail << s.keep();
    // The last burst began soon after its wheel step (the recorder's own
    // delay included): a tone that comes late is a fault, not a slow machine.
    const double delay = (static_cast<double>(m.start) - before_last) / 44100.0;
    std::printf("last burst began %.0f ms after its wheel step\n", delay * 1000);
    EXPECT_LT(delay, 0.25) << s.keep();
    return;
  }
}

// A click on a band slider's trough and a drag of another's knob; the time
// window moved by a click changes its caption and plays nothing; closing the
// window as a window manager does ends the program with status 0 and a
// silent standard error.
TEST_P(EndToEnd, MouseClickDragTimeWindowAndClose) {
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    ProgramSession s(binary(), this_tests_evidence());
    ASSERT_TRUE(s.start()) << "the program did not come up" << s.keep();
    s.click(band_x(8), 100);  // near the top: a high attenuation
    sleep_ms(400);
    Change clicked{};
    ASSERT_TRUE(parse_title(s.title(), clicked)) << s.title() << s.keep();
    EXPECT_EQ(clicked.hz, 160);
    EXPECT_GT(clicked.db, 80);

    s.drag(band_x(12), 337, 420);  // the 400 Hz knob from 40 towards 0
    sleep_ms(3000 + 600);
    Change dragged{};
    ASSERT_TRUE(parse_title(s.title(), dragged)) << s.title() << s.keep();
    EXPECT_EQ(dragged.hz, 400);
    EXPECT_LT(dragged.db, 40);
    const auto rec = s.recording();
    BurstMatch m = match_last_burst(rec, reference_burst(dragged.hz, dragged.db));
    if (retry.again(m)) continue;
    ASSERT_EQ(m.result, MatchResult::Exact) << m.detail << s.keep();

    // The time window: a click near the top of its slider takes it to 2.0.
    const std::string before = s.screenshot("before.png");
    const std::size_t silent_from = s.recorded_samples();
    s.click(timeWindowSliderX, 550);
    sleep_ms(1000);
    const std::string after = s.screenshot("after.png");
    EXPECT_NE(slurp(before), slurp(after)) << "the caption did not change" << s.keep();
    const auto later = s.recording();
    for (std::size_t i = silent_from; i < later.size(); ++i) {
      ASSERT_EQ(later[i], 0.0f) << "the time window armed a burst" << s.keep();
    }
    EXPECT_EQ(s.title(), expected_title(dragged));

    ASSERT_TRUE(s.close_like_a_window_manager());
    const auto status = s.program().wait_exit(slowMachineWait);
    ASSERT_TRUE(status.has_value()) << "still running after the close" << s.keep();
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(s.stderr_text(), "");
    return;
  }
}

// Three bands moved with keys, then Ctrl+S, a path typed into the chooser
// and Enter, and a yes to replacing the file of that name: the saved table
// has those three at their levels, set, and the others at -40 dB, not set;
// opening and using the dialogs plays nothing.
TEST_P(EndToEnd, CtrlSSavesTheLevelsToThePathTyped) {
  ProgramSession s(binary(), this_tests_evidence());
  ASSERT_TRUE(s.start()) << s.keep();
  const std::pair<std::vector<std::string>, Change> moves[] = {
      {{"Page_Down"}, {25, 30}},
      {{"Tab", "Page_Down", "Page_Down"}, {31, 20}},
      {{"Tab", "Up"}, {40, 41}}};
  for (const auto& [keys, title] : moves) {
    for (const std::string& k : keys) s.key(k);
    sleep_ms(300);
    ASSERT_EQ(s.title(), expected_title(title)) << s.keep();
  }
  sleep_ms(3000 + 500);  // the last burst ends
  const std::size_t silent_from = s.recorded_samples();
  TempDir dir;
  // A file of that name exists: typed without its extension, the name is
  // asked about before the file is replaced.
  // A file of the name as typed exists too, and is never written: the one
  // question is about the file that will be.
  const std::string path = dir / "my-levels.csv";
  std::ofstream(path) << "precious";
  std::ofstream(dir / "my-levels") << "untouched";
  s.key("ctrl+s");
  const std::string chooser =
      s.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Save Levels"});
  ASSERT_NE(chooser, "") << "no chooser" << s.keep();
  sleep_ms(300);
  s.key("ctrl+a");
  s.xdotool({"type", "--delay", "5", dir / "my-levels"});
  s.key("Return");
  std::string question;
  const auto until = std::chrono::steady_clock::now() + slowMachineWait;
  while (question.empty() && std::chrono::steady_clock::now() < until) {
    std::istringstream ids(s.xdotool({"search", "--onlyvisible", "--name", "^Save Levels"}));
    for (std::string id; std::getline(ids, id);) {
      if (chooser.find(id) == std::string::npos) question = id;
    }
    sleep_ms(50);
  }
  ASSERT_NE(question, "") << "no question before replacing my-levels.csv" << s.keep();
  EXPECT_EQ(slurp(path), "precious") << "replaced before the answer";
  s.xdotool({"windowfocus", "--sync", question});
  s.key("alt+r");
  for (int i = 0; i < 100 && slurp(path) == "precious"; ++i) sleep_ms(50);
  const std::string csv = slurp(path);
  for (const char* row : {"\n25,-30,yes\r", "\n31,-20,yes\r", "\n40,-41,yes\r", "\n1000,-40,no\r",
                          "\n16000,-40,no\r"}) {
    EXPECT_NE(csv.find(row), std::string::npos) << row << " in:\n" << csv << s.keep();
  }
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 34);
  EXPECT_EQ(slurp(dir / "my-levels"), "untouched");
  EXPECT_EQ(s.title(), expected_title({40, 41})) << "no slider moved";
  const auto rec = s.recording();
  for (std::size_t i = silent_from; i < rec.size(); ++i) {
    ASSERT_EQ(rec[i], 0.0f) << "the dialog played a sound" << s.keep();
  }
  EXPECT_EQ(s.stderr_text(), "");
}

INSTANTIATE_TEST_SUITE_P(Programs, EndToEnd, ::testing::Values("sonavel", "sonavel_pa"),
                         [](const auto& info) { return info.param; });

// sonavel on a two-channel sink of each kind of server, each ear chosen with
// its shortcut: a side's burst reaches that channel alone, measured whole at
// its frequency and level, while the other channel stays exact zeros; both
// ears reach both channels. (The samples themselves are the sound tests'.) Each ear keeps its own
// levels: choosing one moves the slider to that ear's level, and plays nothing.
class EarChoice : public ::testing::TestWithParam<ServerKind> {};

// Channel c of an interleaved two-channel recording.
std::vector<float> channel(const std::vector<float>& rec, std::size_t c) {
  std::vector<float> out;
  for (std::size_t i = c; i < rec.size(); i += 2) out.push_back(rec[i]);
  return out;
}

TEST_P(EarChoice, EachSideReachesOnlyItsChannelAndKeepsItsLevels) {
  struct Step {
    const char* shortcut;
    const char* suffix;  // of the title
    bool left, right;    // the channels the burst reaches
  };
  const Step steps[] = {{"ctrl+l", " - left ear", true, false},
                        {"ctrl+r", " - right ear", false, true},
                        {"ctrl+b", "", true, true}};
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    ProgramSession s(SONAVEL_BINARY, this_tests_evidence(), GetParam(), 2);
    ASSERT_TRUE(s.start()) << s.keep();
    for (int i = 0; i < 16; ++i) s.key("Tab");  // to the 1000 Hz band
    BurstMatch m;
    for (const Step& step : steps) {
      s.key(step.shortcut);
      const std::size_t from = s.recorded_samples() / 2;
      s.key("Page_Down");  // this ear's 1000 Hz level, from -40 to -30 dB
      sleep_ms(350);
      ASSERT_EQ(s.title(), expected_title({1000, 30}) + step.suffix) << s.keep();
      sleep_ms(3000 + 700);
      const std::vector<float> rec = s.recording();
      for (const bool left : {true, false}) {
        const std::vector<float> side = channel(rec, left ? 0 : 1);
        if (left ? step.left : step.right) {
          m = match_measured(side, from, 1000, 30);
          if (m.result != MatchResult::Exact) break;
        } else {
          const auto sound = std::find_if(side.begin() + static_cast<std::ptrdiff_t>(from),
                                          side.end(), [](float x) { return x != 0.0f; });
          ASSERT_EQ(sound, side.end()) << step.shortcut << ": the other side sounded" << s.keep();
        }
      }
      if (m.result != MatchResult::Exact) break;
    }
    if (retry.again(m)) continue;
    ASSERT_EQ(m.result, MatchResult::Exact) << m.detail << s.keep();
    // Back to the left ear: its own level, -30 dB, with nothing played.
    const std::size_t quiet_from = s.recorded_samples();
    s.key("ctrl+l");
    sleep_ms(500);
    EXPECT_EQ(s.title(), expected_title({1000, 30}) + " - left ear") << s.keep();
    const std::vector<float> rec = s.recording();
    EXPECT_TRUE(std::all_of(rec.begin() + static_cast<std::ptrdiff_t>(quiet_from), rec.end(),
                            [](float x) { return x == 0.0f; }))
        << "choosing an ear played a tone" << s.keep();
    EXPECT_EQ(s.stderr_text(), "");
    break;
  }
}

// The headphones check through real keys: three tones, each at the side the
// recording shows, answered as heard, find the sides as labelled; answered
// the other way round, swapped.
TEST(HeadphonesCheck, AnswersFindTheSidesAsLabelledOrSwapped) {
  for (const bool swapped : {false, true}) {
    ProgramSession s(SONAVEL_BINARY, this_tests_evidence(), ServerKind::PulseAudio, 2);
    ASSERT_TRUE(s.start()) << s.keep();
    s.key("alt+h");  // Check headphones
    for (int tone = 1; tone <= 3; ++tone) {
      const std::string question =
          s.xdotool({"search", "--sync", "--onlyvisible", "--name",
                     "^Check Headphones - tone " + std::to_string(tone) + "$"});
      ASSERT_NE(question, "") << "no question for tone " << tone << s.keep();
      const std::size_t from = s.recorded_samples() / 2;
      bool heard_left = false, heard_right = false;
      wait_until([&] {
        const std::vector<float> rec = s.recording();
        auto sounds = [from](const std::vector<float>& x) {
          return std::any_of(x.begin() + static_cast<std::ptrdiff_t>(std::min(from, x.size())),
                             x.end(), [](float v) { return v != 0.0f; });
        };
        heard_left = sounds(channel(rec, 0)), heard_right = sounds(channel(rec, 1));
        return heard_left || heard_right;
      });
      ASSERT_NE(heard_left, heard_right) << "tone " << tone << " not at one side" << s.keep();
      sleep_ms(3300);  // the tone ends before the answer
      s.xdotool({"windowfocus", "--sync", question.substr(0, question.find('\n'))});
      s.key(heard_left != swapped ? "alt+l" : "alt+r");
    }
    const std::string result =
        s.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Headphones: "});
    ASSERT_NE(result, "") << "no finding" << s.keep();
    const std::string finding = s.xdotool({"getwindowname", result.substr(0, result.find('\n'))});
    EXPECT_EQ(finding, swapped
                           ? "Headphones: Left and right are swapped: turn the headphones round\n"
                           : "Headphones: Left and right are as labelled\n")
        << s.keep();
    EXPECT_EQ(s.stderr_text(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(, EarChoice,
                         ::testing::Values(ServerKind::PulseAudio, ServerKind::PipeWire),
                         [](const auto& info) { return std::string(server_name(info.param)); });

}  // namespace
