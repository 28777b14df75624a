// sonavel_pa's real sound path: a burst armed through its band slider plays
// through PortAudio (ALSA's PulseAudio plugin) into a private PulseAudio null
// sink, and the sink's monitor holds it sample for sample, then silence.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/fixed_format_output.h"
#include "reference_burst.h"
#include "support/burst_matcher.h"
#include "support/display.h"
#include "support/sound_server.h"
#include "ui/main_window.h"
#include "ui/tone_link.h"

using namespace sonavel;
using namespace sonavel_test;

namespace {

void run_main_loop_for(std::chrono::milliseconds ms) {
  const auto until = std::chrono::steady_clock::now() + ms;
  while (std::chrono::steady_clock::now() < until) {
    while (gtk_events_pending()) gtk_main_iteration();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

TEST(PortAudioSound, SliderBurstArrivesSampleForSampleThenSilence) {
  ASSERT_TRUE(ensure_display());
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready()) << "private PulseAudio did not start";
  server.use_in_this_process();
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  const MainWindow w = build_main_window(nullptr, kSonavelPaChoices, make_module_tone_link());

  const std::string path = server.dir() + "/monitor.raw";
  MonitorRecorder recorder(server, "float32le", path);
  ASSERT_TRUE(recorder.wait_until_flowing());

  FixedFormatOutput output;
  ASSERT_TRUE(output.open_and_start());
  gtk_widget_show_all(w.window);
  run_main_loop_for(std::chrono::milliseconds(300));

  constexpr int kTries = 4;
  int underruns = 0;
  BurstMatch m;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const int db = 30 + attempt;  // a new value each time, so each arms a burst
    const std::size_t from = recorder.bytes() / sizeof(float);
    gtk_range_set_value(GTK_RANGE(w.sliders[16]), db);
    run_main_loop_for(std::chrono::milliseconds(3700));
    const auto rec = recorder.read_float();
    m = match_burst(rec, reference_burst(1000, db), from, 8000);
    if (m.result != MatchResult::Underrun) break;
    ++underruns;
    std::printf("underrun in attempt %d (%s); trying again\n", attempt + 1, m.detail.c_str());
  }
  output.stop_and_close();
  output.terminate();
  std::printf("underrun retries: %d\n", underruns);
  const bool exact = m.result == MatchResult::Exact;
  EXPECT_TRUE(exact) << m.detail << " (recording kept at " << path << ")";
  if (!exact) server.keep_files();
}

}  // namespace
