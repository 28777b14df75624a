// The locked tone state with a real audio thread: the sound server's client
// thread renders through the device output while this thread changes bands
// (writing a burst's start itself when nothing sounds), draws the view and
// changes the time window. Under the thread sanitizer this
// shows the sharing free of races; everywhere it shows the view following.
#include <gtest/gtest.h>

#include <cairo.h>

#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "audio/device_format_output.h"
#include "engine/bands.h"
#include "engine/cairo_owners.h"
#include "monitor/tone_link.h"
#include "monitor/waveform_view.h"
#include "support/private_session.h"

using namespace sonavel;

namespace {

TEST(LockedStress, AudioThreadRendersWhileTheMainThreadArmsDrawsAndChangesTheTimeWindow) {
  // Recorded, so that the null sink is awake before the stream opens.
  const sonavel_test::PrivateSession session({.display = false, .recording = "monitor.raw"});
  ASSERT_TRUE(session.ready()) << session.why_not();
  session.use_in_this_process();

  ToneStateHolder holder = SharedToneState::create();
  DeviceFormatOutput output(holder);
  ASSERT_TRUE(output.open_and_start()) << output.error();
  EXPECT_EQ(output.format(), SampleFormat::F32);
  // Wired as the program wires it: a burst start on silence is written to
  // the stream from this thread, beside the audio thread's own writes.
  auto link = make_locked_tone_link(holder, [&output] { output.send_burst_start(); });

  const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 940, 360));
  auto copy = std::make_unique<WaveformCopy>();
  std::mt19937 rng(7);
  WaveformPainter painter;
  // Sixty draws, ten burst starts and time windows, at the view's pace,
  // however long a draw takes.
  for (int round = 0; round < 10; ++round) {
    const int band = static_cast<int>(rng() % bands.size());
    link->prepare_burst(bands[band], static_cast<int>(rng() % 61));
    link->commit_burst(bands[band], static_cast<int>(rng() % 61));
    link->set_time_window(0.1 * (1 + rng() % 20));
    for (int i = 0; i < 6; ++i) {
      WaveformFrame frame;
      link->take_frame(sonavelChoices, frame, *copy);
      painter.paint(CairoContext(cairo_create(surface.get())).get(), 940, 360, frame);
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
  }

  // After the storm the view still follows the audio thread: a loud burst
  // reaches the ring within a generous time, however busy the machine.
  link->prepare_burst(1000, 0);
  link->commit_burst(1000, 0);
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    WaveformFrame frame;
    link->take_frame(sonavelChoices, frame, *copy);
    seen = frame.ringHasRecentOutput;
  }
  EXPECT_TRUE(seen) << "the audio thread stopped filling the ring";
  output.stop_and_close();  // stops the stream before the state goes
}

}  // namespace
