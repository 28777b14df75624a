// Both programs' real sound paths through private PulseAudio servers, started
// as each program starts itself: a burst that a band slider arms arrives in
// the null sink's monitor sample for sample, then silence; on a 16-bit sink
// as 16-bit samples; and a server that goes away mid-burst gives one line and
// a window that still answers.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "app/sonavel_pa_startup.h"
#include "app/sonavel_startup.h"
#include "audio/c_owners.h"
#include "support/burst_matcher.h"
#include "support/display.h"
#include "support/gtk_pump.h"
#include "support/reference_burst.h"
#include "support/sound_server.h"
#include "support/underrun_retry.h"
#include "ui/tone_link.h"

using namespace sonavel;
using namespace sonavel_test;
using std::chrono::milliseconds;

namespace {

class Sound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(ensure_display());
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  }
  void TearDown() override {
    if (window != nullptr) gtk_widget_destroy(window);
  }

  // A private server with a recorder on its monitor, used by this process.
  void listen(const std::string& format) {
    server = std::make_unique<SoundServer>(format);
    ASSERT_TRUE(server->ready());
    server->use_in_this_process();
    recorder = std::make_unique<MonitorRecorder>(*server, format, server->dir() + "/monitor.raw");
    ASSERT_TRUE(recorder->wait_until_flowing());
  }
  // sonavel, as its activation starts it.
  SonavelStart start_sonavel_here() {
    app = adopt(gtk_application_new("org.sonavel.SoundTest", G_APPLICATION_NON_UNIQUE));
    g_application_register(G_APPLICATION(app.get()), nullptr, nullptr);
    SonavelStart s = start_sonavel(app.get());
    window = s.window.window;
    return s;
  }

  // Moves the 1000 Hz slider to a new level until a burst arrives whole, a
  // few attempts at most while the server inserts silence; a wrong sample
  // ends it at once. Counts the view's draws while the burst plays.
  template <typename T>
  BurstMatch play_until_whole(const MainWindow& w, const std::function<std::vector<T>()>& recording,
                              const std::function<std::vector<T>(int)>& expected) {
    BurstMatch m;
    int draws = 0;
    g_signal_connect_after(w.waveformArea, "draw",
                           G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer n) {
                             ++*static_cast<int*>(n);
                             return FALSE;
                           }),
                           &draws);
    for (UnderrunRetry retry(4); retry.next();) {
      const int db = 20 + retry.attempt();  // a new value each time arms a burst
      const std::size_t from = recorder->bytes() / sizeof(T);
      gtk_range_set_value(GTK_RANGE(w.sliders[16]), db);
      draws = 0;
      run_main_loop_for(milliseconds(3000));
      drawsPerSecond = draws / 3.0;
      std::printf("the view drew %.1f times a second\n", drawsPerSecond);
      run_main_loop_for(milliseconds(700));
      m = match_burst(recording(), expected(db), from, 8000);
      if (!retry.again(m)) break;
    }
    if (m.result != MatchResult::Exact) m.detail += " (kept in " + server->keep_files() + ")";
    return m;
  }

  double drawsPerSecond = 0.0;
  std::unique_ptr<SoundServer> server;
  std::unique_ptr<MonitorRecorder> recorder;
  GObjectRef<GtkApplication> app;
  GtkWidget* window = nullptr;
};

std::vector<float> float_burst(int db) {
  return reference_burst(1000, db);
}

TEST_F(Sound, PortAudioProgramPlaysTheBurstSampleForSample) {
  listen("float32le");
  PortAudioOutput output;
  MainWindow w;
  ASSERT_TRUE(start_sonavel_pa(nullptr, nullptr, output, w));
  window = w.window;
  run_main_loop_for(milliseconds(300));
  const BurstMatch m = play_until_whole<float>(
      w, [&] { return recorder->read_float(); }, float_burst);
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  // The view follows the burst about 30 times a second.
  EXPECT_GT(drawsPerSecond, 20.0);
}

TEST_F(Sound, SoundServerProgramPlaysTheBurstSampleForSampleOnAFloatSink) {
  listen("float32le");
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  const BurstMatch m = play_until_whole<float>(
      s.window, [&] { return recorder->read_float(); }, float_burst);
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  // The view follows the burst about 60 times a second.
  EXPECT_GT(drawsPerSecond, 40.0);
}

// The sink gets each sample scaled by 32767 and truncated toward zero, in
// single precision as the device conversion is defined.
TEST_F(Sound, SoundServerProgramPlaysSixteenBitSamplesOnASixteenBitSink) {
  listen("s16le");
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  const BurstMatch m = play_until_whole<std::int16_t>(
      s.window, [&] { return recorder->read_s16(); },
      [](int db) {
        std::vector<std::int16_t> out;
        for (float x : reference_burst(1000, db)) out.push_back(std::trunc(x * 32767.0f));
        return out;
      });
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
}

// Below about 90.3 dB every sample of a burst is 0 on a 16-bit device: the
// view then says there is no tone, instead of magnifying one nobody hears.
TEST_F(Sound, SixteenBitSinkViewShowsWhatTheDeviceGets) {
  listen("s16le");
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  const auto link = make_locked_tone_link(s.tone);
  auto copy = std::make_unique<WaveformCopy>();
  for (const int db : {90, 91}) {
    gtk_range_set_value(GTK_RANGE(s.window.sliders[16]), db);
    run_main_loop_for(milliseconds(1500));  // past the fade-in
    WaveformFrame frame;
    link->take_frame(sonavelChoices, frame, *copy);
    EXPECT_EQ(frame.ringHasRecentOutput, db == 90) << db << " dB";
  }
}

TEST_F(Sound, ServerGoingAwayMidBurstGivesOneLineAndTheWindowStillAnswers) {
  listen("float32le");
  SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  gtk_range_set_value(GTK_RANGE(s.window.sliders[10]), 30);
  run_main_loop_for(milliseconds(500));

  testing::internal::CaptureStderr();
  server->kill_now();
  run_main_loop_for(milliseconds(1500));
  gtk_range_set_value(GTK_RANGE(s.window.sliders[20]), 70);
  run_main_loop_for(milliseconds(300));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "audio stream error: Connection terminated\n");
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(window)), std::string("Sonavel - 2500 Hz @ -70 dB"));
  EXPECT_EQ(gtk_label_get_text(GTK_LABEL(s.window.labels[20])), std::string("2500\n-70 dB"));

  testing::internal::CaptureStderr();
  g_source_remove(s.refreshTimer);  // the timer's hold on the stream goes
  s.output.reset();                 // and with ours the stream: our own disconnect
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "is not an error";
}

}  // namespace
