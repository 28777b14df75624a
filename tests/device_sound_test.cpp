// sonavel's real sound path through private PulseAudio servers: the burst a
// band slider arms arrives in the null sink's monitor sample for sample, as
// floats on a float sink and as the I16 conversion on a 16-bit sink; and a
// server that goes away mid-burst gives one line and a window that still
// answers.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/device_format_output.h"
#include "engine/sample_format.h"
#include "reference_burst.h"
#include "support/burst_matcher.h"
#include "support/display.h"
#include "support/sound_server.h"
#include "ui/main_window.h"
#include "ui/refresh_timer.h"
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

// The program's activation, minus the application object.
struct Program {
  Program() {
    app = gtk_application_new("org.sonavel.DeviceSoundTest", G_APPLICATION_NON_UNIQUE);
    g_application_register(G_APPLICATION(app), nullptr, nullptr);
  }
  ~Program() {
    if (w.window != nullptr) gtk_widget_destroy(w.window);
    g_object_unref(app);
  }
  GtkApplication* app;
  ToneStateHolder tone = SharedToneState::create();
  std::shared_ptr<DeviceFormatOutput> stream;
  MainWindow w;
  std::string error;
  bool start() {
    auto started = DeviceFormatOutput::open_and_start(tone);
    if (!started.stream) {
      error = started.error;
      return false;
    }
    stream = started.stream;
    w = build_main_window(app, kSonavelChoices, make_locked_tone_link(tone));
    gtk_widget_show_all(w.window);
    return true;
  }
};

class DeviceSound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(ensure_display());
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  }
};

// Plays bursts until one arrives whole, retrying a bounded number of times
// when the server inserted silence (an underrun); a wrong sample ends it.
template <typename T, typename Read, typename Expect>
BurstMatch play_and_match(Program& p, MonitorRecorder& rec, Read read, Expect expected) {
  BurstMatch m;
  int underruns = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int db = 20 + attempt;
    const std::size_t from = rec.bytes() / sizeof(T);
    gtk_range_set_value(GTK_RANGE(p.w.sliders[16]), db);
    run_main_loop_for(std::chrono::milliseconds(3700));
    m = match_burst(read(), expected(db), from, 8000);
    if (m.result != MatchResult::Underrun) break;
    std::printf("underrun in attempt %d (%s); trying again\n", attempt + 1, m.detail.c_str());
    ++underruns;
  }
  std::printf("underrun retries: %d\n", underruns);
  return m;
}

TEST_F(DeviceSound, FloatSinkReceivesTheBurstSampleForSample) {
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  server.use_in_this_process();
  MonitorRecorder rec(server, "float32le", server.dir() + "/monitor.raw");
  ASSERT_TRUE(rec.wait_until_flowing());
  Program p;
  ASSERT_TRUE(p.start()) << p.error;
  EXPECT_EQ(p.stream->format(), SampleFormat::F32);
  const BurstMatch m = play_and_match<float>(
      p, rec, [&] { return rec.read_float(); }, [](int db) { return reference_burst(1000, db); });
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  if (m.result != MatchResult::Exact) server.keep_files();
}

TEST_F(DeviceSound, SixteenBitSinkReceivesTheI16ConversionExactly) {
  SoundServer server("s16le");
  ASSERT_TRUE(server.ready());
  server.use_in_this_process();
  MonitorRecorder rec(server, "s16le", server.dir() + "/monitor.raw");
  ASSERT_TRUE(rec.wait_until_flowing());
  Program p;
  ASSERT_TRUE(p.start()) << p.error;
  EXPECT_EQ(p.stream->format(), SampleFormat::I16);
  const BurstMatch m = play_and_match<std::int16_t>(
      p, rec, [&] { return rec.read_s16(); },
      [](int db) {
        std::vector<std::int16_t> out;
        for (float s : reference_burst(1000, db)) out.push_back(convert_i16(s));
        return out;
      });
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  if (m.result != MatchResult::Exact) server.keep_files();
}

TEST_F(DeviceSound, ServerGoingAwayMidBurstGivesOneLineAndTheWindowStillAnswers) {
  auto server = std::make_unique<SoundServer>("float32le");
  ASSERT_TRUE(server->ready());
  server->use_in_this_process();
  Program p;
  ASSERT_TRUE(p.start()) << p.error;
  gtk_range_set_value(GTK_RANGE(p.w.sliders[10]), 30);
  run_main_loop_for(std::chrono::milliseconds(500));

  testing::internal::CaptureStderr();
  server->kill_now();
  run_main_loop_for(std::chrono::milliseconds(1500));
  gtk_range_set_value(GTK_RANGE(p.w.sliders[20]), 70);
  run_main_loop_for(std::chrono::milliseconds(300));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "audio stream error: Connection terminated\n");
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(p.w.window)),
            std::string("Sonavel - 2500 Hz @ -70 dB"));
  EXPECT_EQ(gtk_label_get_text(GTK_LABEL(p.w.labels[20])), std::string("2500\n-70 dB"));
  {
    ToneStateGuard g(*p.tone);
    EXPECT_EQ(g.state().inputFreq, 2500);
    EXPECT_EQ(g.state().samplesRemaining, 132300u) << "armed, with no audio thread to play it";
  }
  testing::internal::CaptureStderr();
  p.stream.reset();  // our own disconnect afterwards is not an error
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DeviceSound, NoServerMeansNoDefaultOutputDevice) {
  char tmpl[] = "/tmp/sonavel-none-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  setenv("PULSE_SERVER", ("unix:" + dir + "/none").c_str(), 1);
  auto started = DeviceFormatOutput::open_and_start(SharedToneState::create());
  EXPECT_FALSE(started.stream);
  EXPECT_EQ(started.error, "No default output device available");
}

}  // namespace
