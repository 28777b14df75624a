// Both programs' real sound paths through private PulseAudio servers, started
// as each program starts itself: a burst that a band slider arms arrives in
// the null sink's monitor sample for sample, then silence (sonavel hands its
// start to the server from the slider's handler), and so does one
// armed while the last one's end still waits in the server; on a 16-bit sink
// as 16-bit samples; and a server that goes away mid-burst gives one line and
// a window that still answers.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include "app/sonavel_pa_startup.h"
#include "app/sonavel_startup.h"
#include "audio/device_format_output.h"
#include "audio/fixed_format_output.h"
#include "monitor/tone_link.h"
#include "report/report_file.h"
#include "support/burst_matcher.h"
#include "support/display.h"
#include "support/gtk_pump.h"
#include "support/module_tone_reset.h"
#include "support/private_session.h"
#include "support/reference_burst.h"
#include "support/temp_dir.h"
#include "support/underrun_retry.h"
#include "support/waits.h"
#include "support/watchdog.h"

using namespace sonavel;
using namespace sonavel_test;
using std::chrono::milliseconds;

namespace {

class Sound : public ::testing::Test {
 protected:
  void SetUp() override { reset_module_tone(); }
  void TearDown() override {
    if (window != nullptr) gtk_widget_destroy(window);
  }

  // The environment is written before the toolkit starts its threads, as
  // each program does; then the toolkit.
  static void start_toolkit() {
    prepare_portaudio_process();
    ASSERT_TRUE(ensure_display());
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  }
  // A private session's server with a recorder on its monitor, used by this
  // process.
  void listen(const std::string& format, ServerKind kind = ServerKind::PulseAudio) {
    watchdog.phase(std::string("starting ") + server_name(kind));
    session = std::make_unique<PrivateSession>(
        SessionParts{.display = false, .kind = kind, .sink = format, .recording = "monitor.raw"});
    ASSERT_TRUE(session->ready()) << session->why_not();
    session->use_in_this_process();
    start_toolkit();
    server = &session->server();
    recorder = &session->recorder();
    watchdog.phase("opening the audio");
  }
  // sonavel, as its activation starts it.
  SonavelStart start_sonavel_here() {
    app.emplace("org.sonavel.SoundTest");
    SonavelStart s = start_sonavel(app->get());
    window = s.window.window;
    sonavelTone = s.tone;
    return s;
  }

  // Moves the 1000 Hz slider to a new level until a burst arrives whole, a
  // few attempts at most while the server inserts silence; a wrong sample
  // ends it at once. Counts the view's draws while the burst plays (its rate
  // is a benchmark's figure; a test asks only that the view followed).
  // matches(from, db): the recording from sample from against the burst.
  BurstMatch play_until_whole(const MainWindow& w,
                              const std::function<BurstMatch(std::size_t, int)>& matches,
                              std::size_t sample_bytes = sizeof(float)) {
    BurstMatch m;
    int draws = 0;
    // Counts into draws while this runs, and only then: the handler goes
    // before draws does.
    const gulong counter = g_signal_connect_after(w.waveform_area, "draw",
                                                  G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer n) {
                                                    ++*static_cast<int*>(n);
                                                    return FALSE;
                                                  }),
                                                  &draws);
    watchdog.phase("playing bursts");
    for (UnderrunRetry retry(soundPathRetry); retry.next();) {
      const int db = 20 + retry.attempt();  // a new value each time arms a burst
      const std::size_t from = recorder->bytes() / sample_bytes;
      gtk_range_set_value(GTK_RANGE(w.sliders[16]), db);
      // Begun on silence, sonavel's burst went to the server from the
      // slider's own handler, not at the server's next request a period on.
      if (sonavelTone) {
        EXPECT_FALSE(burst_waiting(*sonavelTone)) << "attempt " << retry.attempt();
      }
      draws = 0;
      run_main_loop_for(milliseconds(3000));
      framesDrawn = draws;
      run_main_loop_for(milliseconds(700));
      m = matches(from, db);
      if (!m.detail.empty()) std::printf("%s\n", m.detail.c_str());
      if (!retry.again(m)) break;
    }
    g_signal_handler_disconnect(w.waveform_area, counter);
    if (m.result != MatchResult::Exact) m.detail += " (kept in " + session->keep() + ")";
    watchdog.phase("ending the test");
    return m;
  }
  // The float sink's recording against the burst at db: sample for sample
  // where the server passes samples through, measured where it resamples.
  std::function<BurstMatch(std::size_t, int)> float_matcher() {
    return [this](std::size_t from, int db) {
      if (server->kind() == ServerKind::PipeWire) {
        return match_measured(recorder->read(), from, 1000, db);
      }
      return match_burst(recorder->read(), reference_burst(1000, db), from, 8000);
    };
  }

  void expect_back_to_back_bursts_whole(const SonavelStart& s);

  // Ends the test with a line, never a hang, if a library call stops.
  Watchdog watchdog{2 * slowMachineWait};
  int framesDrawn = 0;
  std::unique_ptr<PrivateSession> session;
  SoundServer* server = nullptr;
  MonitorRecorder* recorder = nullptr;
  std::optional<RegisteredApplication> app;
  GtkWidget* window = nullptr;
  ToneStateHolder sonavelTone;  // set when sonavel runs here
};

// Each program's sound path on each server a desktop runs.
class SoundOnEachServer : public Sound, public ::testing::WithParamInterface<ServerKind> {};
INSTANTIATE_TEST_SUITE_P(, SoundOnEachServer,
                         ::testing::Values(ServerKind::PulseAudio, ServerKind::PipeWire),
                         [](const auto& info) { return std::string(server_name(info.param)); });

// A latency asked in the environment below the ALSA plugin's period would
// leave the stream waiting, silent, from its start; the program drops it.
TEST_P(SoundOnEachServer, PortAudioProgramPlaysTheBurst) {
  setenv("PULSE_LATENCY_MSEC", "10", 1);
  listen("float32le", GetParam());
  auto output = std::make_unique<FixedFormatOutput>();
  MainWindow w;
  ASSERT_TRUE(start_sonavel_pa(nullptr, nullptr, *output, w));
  window = w.window;
  run_main_loop_for(milliseconds(300));
  const BurstMatch m = play_until_whole(w, float_matcher());
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  EXPECT_GE(framesDrawn, 3) << "the view did not follow the burst";
  watchdog.phase("closing the audio");
  if (const char* waiting = output->shut_down_within(slowMachineWait)) {
    ADD_FAILURE() << waiting << " did not return";
    output.release();  // the call still uses it
  }
}

TEST_P(SoundOnEachServer, SoundServerProgramPlaysTheBurstOnAFloatSink) {
  listen("float32le", GetParam());
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  // The server's period follows the stream's smallest request: one 256-frame
  // block on PulseAudio; two on PipeWire, whose graph runs at that period and
  // would miss a 5.3 ms period's deadlines on a busy machine.
  auto* device = dynamic_cast<DeviceFormatOutput*>(s.output.get());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->granted_minimum_request_frames(),
            GetParam() == ServerKind::PipeWire ? 512u : 256u);
  // The sink has one channel: no side can be chosen, and the window says why.
  for (const int side : {1, 2}) EXPECT_FALSE(gtk_widget_get_sensitive(s.window.ear_buttons[side]));
  EXPECT_TRUE(gtk_widget_get_sensitive(s.window.ear_buttons[0]));
  EXPECT_TRUE(gtk_widget_get_visible(s.window.ear_reason));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(s.window.ear_reason)),
               "The output device has one channel");

  const BurstMatch m = play_until_whole(s.window, float_matcher());
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  EXPECT_GE(framesDrawn, 3) << "the view did not follow the burst";
  if (GetParam() == ServerKind::PulseAudio) expect_back_to_back_bursts_whole(s);

  // The check names the output its levels were set through; the sink's
  // volume changed after that is told at once, and kept for the saved files.
  const std::shared_ptr<CheckLevels> check = s.window.check;
  ASSERT_TRUE(run_main_loop_until([&] { return check->output.has_value(); }, slowMachineWait));
  EXPECT_NE(check->output->description, "");
  EXPECT_EQ(check->output->format, "float32le");
  EXPECT_EQ(check->output->rate, 44100u);
  EXPECT_EQ(check->output->channels, 1u);
  EXPECT_EQ(check->output->volumePercent, 100);
  EXPECT_FALSE(gtk_widget_get_visible(s.window.output_warning));
  ASSERT_EQ(server->pactl({"set-sink-volume", "nullsink", "80%"}), 0);
  ASSERT_TRUE(run_main_loop_until([&] { return gtk_widget_get_visible(s.window.output_warning); },
                                  slowMachineWait));
  const std::string told =
      "The output volume changed from 100% to 80%: levels set before and after are not comparable";
  EXPECT_EQ(gtk_label_get_text(GTK_LABEL(s.window.output_warning)), told);
  TempDir dir;
  ASSERT_EQ(save_levels(dir / "levels.svg", ReportType::Svg, *check, "t"), "");
  EXPECT_NE(slurp(dir / "levels.svg").find("Warning: " + told), std::string::npos);
  ASSERT_EQ(save_levels(dir / "levels.csv", ReportType::Csv, *check, "t"), "");
  EXPECT_NE(slurp(dir / "levels.output.txt").find("Warning: " + told), std::string::npos);
}

// A burst armed the moment the one before has been rendered, while that one's
// last samples still wait in the server: both arrive whole.
void Sound::expect_back_to_back_bursts_whole(const SonavelStart& s) {
  BurstMatch both;
  for (UnderrunRetry retry(soundPathRetry); retry.next();) {
    const int first = 30 + retry.attempt(), second = first + 10;
    const std::size_t from = recorder->bytes() / sizeof(float);
    gtk_range_set_value(GTK_RANGE(s.window.sliders[16]), first);
    run_main_loop_until(
        [&] {
          ToneStateGuard guard(*s.tone);
          return guard.state().burst.samplesRemaining == 0;
        },
        slowMachineWait);
    gtk_range_set_value(GTK_RANGE(s.window.sliders[16]), second);
    run_main_loop_for(milliseconds(3700));
    // The first has been rendered whole, so the second cannot have cut it.
    const std::vector<float> rec = recorder->read();
    both = match_burst(rec, reference_burst(1000, first), from);
    if (both.result == MatchResult::Exact) {
      both = match_burst(rec, reference_burst(1000, second), both.start + 132300u, 8000);
    }
    if (!both.detail.empty()) std::printf("%s\n", both.detail.c_str());
    if (!retry.again(both)) break;
  }
  EXPECT_EQ(both.result, MatchResult::Exact)
      << both.detail << " (kept in " << session->keep() << ")";
}

// A burst begun on silence goes into the stream right after two blocks of
// fresh silence, ahead of the silence queued before it: the queue is dropped,
// so the tone comes at once, and the fresh silence takes the place of what
// the sink may have mixed ahead. With the sink suspended nothing is read
// meanwhile, so what it plays once it resumes shows where the burst went as a
// position in the stream, whatever the machine's speed.
TEST_F(Sound, SoundServerProgramStartsABurstOnSilenceRightAfterTwoBlocksOfSilence) {
  listen("float32le");
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  run_main_loop_for(milliseconds(500));  // the stream's queue fills with silence
  ASSERT_EQ(server->pactl({"suspend-sink", "nullsink", "1"}), 0);
  gtk_range_set_value(GTK_RANGE(s.window.sliders[16]), 30);
  run_main_loop_for(milliseconds(300));  // the refill that the dropped queue asks for
  MonitorRecorder resumed(*server, "float32le", server->dir() + "/resumed.raw");
  run_main_loop_for(milliseconds(300));  // the recorder connects to the suspended monitor
  ASSERT_EQ(server->pactl({"suspend-sink", "nullsink", "0"}), 0);
  ASSERT_TRUE(wait_until([&] { return resumed.bytes() >= 8192 * sizeof(float); }));

  const std::vector<float> rec = resumed.read();
  const auto first_sound = std::find_if(rec.begin(), rec.end(), [](float x) { return x != 0; });
  ASSERT_NE(first_sound, rec.end()) << "no burst after the sink resumed";
  // The burst's first sample is 0.0. Before it, what is left of two blocks of
  // 256 frames once the sink has resumed (which may take some of them): some,
  // never more, and never the queue of silence before the burst.
  const std::ptrdiff_t silence = (first_sound - rec.begin()) - 1;
  EXPECT_GT(silence, 0) << "no fresh silence before the burst";
  EXPECT_LE(silence, 2 * 256) << "the burst waited behind the queued silence";
  ASSERT_TRUE(wait_until([&] { return resumed.bytes() >= 140000 * sizeof(float); }));
  const BurstMatch m = match_burst(resumed.read(), reference_burst(1000, 30));
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
  std::printf("the burst came after %td samples of silence\n", silence);
}

// The window is built while the audio opens, and must stay hidden when the
// audio does not start: here no sound server listens.
TEST_F(Sound, PortAudioProgramShowsNoWindowWhenItsAudioFails) {
  const PrivateSession nowhere({.display = false, .sound = false});
  nowhere.use_in_this_process();
  start_toolkit();
  FixedFormatOutput output;
  MainWindow w;
  EXPECT_FALSE(start_sonavel_pa(nullptr, nullptr, output, w));
  window = w.window;
  ASSERT_NE(window, nullptr);
  run_main_loop_for(milliseconds(200));
  EXPECT_FALSE(gtk_widget_get_visible(window));
  EXPECT_FALSE(gtk_widget_get_mapped(window));
}

// The sink gets each sample scaled by 32767 and truncated toward zero, in
// single precision as the device conversion is defined.
TEST_F(Sound, SoundServerProgramPlaysSixteenBitSamplesOnASixteenBitSink) {
  listen("s16le");
  const SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  const BurstMatch m = play_until_whole(
      s.window,
      [&](std::size_t from, int db) {
        std::vector<std::int16_t> expected;
        for (float x : reference_burst(1000, db)) expected.push_back(std::trunc(x * 32767.0f));
        return match_burst(recorder->read<std::int16_t>(), expected, from, 8000);
      },
      sizeof(std::int16_t));
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

// While the server is gone the view says that nothing sounds; once it is
// back, the same window connects again and the next band change plays whole.
TEST_F(Sound, SoundServerProgramConnectsAgainWhenItsServerIsBack) {
  listen("float32le");
  SonavelStart s = start_sonavel_here();
  ASSERT_EQ(s.error, "");
  AtkObject* view = gtk_widget_get_accessible(s.window.waveform_area);
  const auto view_says = [&](const std::string& words) {
    const char* description = atk_object_get_description(view);
    return description != nullptr && std::string(description).find(words) != std::string::npos;
  };
  const std::string unreachable = "No sound output: the sound server is not reachable";

  testing::internal::CaptureStderr();
  server->kill_now();
  EXPECT_TRUE(run_main_loop_until([&] { return view_says(unreachable); }, slowMachineWait))
      << "the window did not say that nothing sounds";
  gtk_range_set_value(GTK_RANGE(s.window.sliders[20]), 70);  // heard by nobody
  run_main_loop_for(milliseconds(300));
  EXPECT_TRUE(view_says(unreachable)) << "a band change hid that nothing sounds";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "audio stream error: Connection terminated\n");

  ASSERT_TRUE(server->restart());
  MonitorRecorder after(*server, "float32le", server->dir() + "/after.raw");
  ASSERT_TRUE(after.wait_until_flowing());
  recorder = &after;
  EXPECT_TRUE(run_main_loop_until([&] { return !view_says(unreachable); }, slowMachineWait))
      << "the window did not connect again";
  const BurstMatch m = play_until_whole(s.window, float_matcher());
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
}

}  // namespace
