// sonavel_pa's PortAudio start-up and shutdown paths. PortAudio cannot be made
// to fail on demand, so this program defines the PortAudio calls the output
// makes itself; the linker takes these in place of the library's.
#include <gtest/gtest.h>
#include <portaudio.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/fixed_format_output.h"
#include "engine/module_tone.h"
#include "support/waits.h"

namespace {

struct Fake {
  PaError initResult = paNoError, openResult = paNoError, startResult = paNoError;
  std::vector<std::string> calls;
  int channels = 0;
  PaSampleFormat format = 0;
  double rate = 0;
  unsigned long frames = 0;
  PaStreamCallback* callback = nullptr;
  void* userData = nullptr;
  int streamToken = 0;
};
Fake fake;
std::mutex callsLock;  // the watchdog's thread makes calls too

void record(const char* call) {
  const std::lock_guard<std::mutex> hold(callsLock);
  fake.calls.emplace_back(call);
}
// The result of later starts, which the watchdog's thread makes.
void set_start_result(PaError result) {
  const std::lock_guard<std::mutex> hold(callsLock);
  fake.startResult = result;
}
std::vector<std::string> recorded() {
  const std::lock_guard<std::mutex> hold(callsLock);
  return fake.calls;
}

}  // namespace

extern "C" {
PaError Pa_Initialize() {
  record("initialize");
  return fake.initResult;
}
PaError Pa_Terminate() {
  record("terminate");
  return paNoError;
}
PaError Pa_OpenDefaultStream(PaStream** stream, int, int channels, PaSampleFormat format,
                             double rate, unsigned long frames, PaStreamCallback* callback,
                             void* user_data) {
  record("open");
  fake.channels = channels;
  fake.format = format;
  fake.rate = rate;
  fake.frames = frames;
  fake.callback = callback;
  fake.userData = user_data;
  if (fake.openResult == paNoError) *stream = &fake.streamToken;
  return fake.openResult;
}
PaError Pa_StartStream(PaStream*) {
  record("start");
  const std::lock_guard<std::mutex> hold(callsLock);
  return fake.startResult;
}
PaError Pa_StopStream(PaStream*) {
  record("stop");
  return paNoError;
}
PaError Pa_AbortStream(PaStream*) {
  record("abort");
  return paNoError;
}
PaError Pa_CloseStream(PaStream* stream) {
  record(stream == &fake.streamToken ? "close" : "close of an unknown stream");
  return paNoError;
}
const char* Pa_GetErrorText(PaError code) {
  return code == paDeviceUnavailable ? "Device unavailable" : "Some failure";
}
}

namespace {

using Calls = std::vector<std::string>;

// Opens an output against the fake as it stands, and returns what went to
// standard error; the calls, the output's own end included, are in fake.
std::string open_and_end(bool expect_success) {
  testing::internal::CaptureStderr();
  {
    sonavel::FixedFormatOutput out;
    EXPECT_EQ(out.open_and_start(), expect_success);
    EXPECT_EQ(out.running(), expect_success);
  }
  return testing::internal::GetCapturedStderr();
}

TEST(FixedFormatOutput, EachStartFailureGivesItsLineAndReleasesExactlyWhatItTook) {
  fake = {};
  fake.initResult = paInternalError;
  EXPECT_EQ(open_and_end(false), "Pa_Initialize failed: Some failure\n");
  EXPECT_EQ(recorded(), (Calls{"initialize"}));

  fake = {};
  fake.openResult = paDeviceUnavailable;
  EXPECT_EQ(open_and_end(false), "Pa_OpenDefaultStream failed: Device unavailable\n");
  EXPECT_EQ(recorded(), (Calls{"initialize", "open", "terminate"}));

  fake = {};
  fake.startResult = paInternalError;
  EXPECT_EQ(open_and_end(false), "Pa_StartStream failed: Some failure\n");
  EXPECT_EQ(recorded(), (Calls{"initialize", "open", "start", "close", "terminate"}));
}

TEST(FixedFormatOutput, RunsTheFixedStreamAndStopsBeforeItClosesAndTerminates) {
  fake = {};
  EXPECT_EQ(open_and_end(true), "");
  EXPECT_EQ(recorded(), (Calls{"initialize", "open", "start", "stop", "close", "terminate"}));
  EXPECT_EQ(fake.channels, 1);
  EXPECT_EQ(fake.format, paFloat32);
  EXPECT_EQ(fake.rate, 44100.0);
  EXPECT_EQ(fake.frames, 256u);
  EXPECT_EQ(fake.userData, nullptr);
}

// Calls the stream's callback as a working device would, every 6 ms, for a
// while; the callback renders whatever count it is given and keeps the
// stream going.
void call_back_for(std::chrono::milliseconds span) {
  std::vector<float> buf(300, 9.0f);
  const auto until = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < until) {
    ASSERT_EQ(fake.callback(nullptr, buf.data(), buf.size(), nullptr, 0, fake.userData),
              paContinue);
    for (float s : buf) ASSERT_EQ(s, 0.0f) << "silence where no burst sounds";
    std::this_thread::sleep_for(std::chrono::milliseconds(6));
  }
}

// The README's promise: a stream whose callbacks have stopped for 750 ms is
// started afresh, and a started one has 750 ms again before the next restart.
// The looks come at times the test chooses, on a clock of its own.
TEST(FixedFormatOutput, AStallIsAnsweredOnceItsCallbacksHaveStood750Milliseconds) {
  using namespace std::chrono_literals;
  using sonavel::StallDetector;
  const StallDetector::Clock::time_point t0{};
  StallDetector detector(sonavel::FixedFormatOutput::stallLimit, 7, t0);
  EXPECT_FALSE(detector.stalled(7, t0 + 400ms));
  EXPECT_FALSE(detector.stalled(8, t0 + 500ms)) << "a callback came";
  EXPECT_FALSE(detector.stalled(8, t0 + 1249ms)) << "749 ms without a callback is no stall";
  EXPECT_TRUE(detector.stalled(8, t0 + 1250ms)) << "750 ms without a callback is a stall";
  EXPECT_FALSE(detector.stalled(8, t0 + 1999ms)) << "restarted 749 ms ago";
  EXPECT_TRUE(detector.stalled(8, t0 + 2000ms)) << "still stalled 750 ms after a restart";
}

// The device stops calling back (as it does when the sound server's ALSA
// plugin and the server each wait for the other): the stream is aborted and
// started again, once, and a stream that calls back is left alone. The burst
// the stall broke is not resumed after the gap, and the output says it cut
// one; a restart that fails leaves the output saying that nothing sounds.
TEST(FixedFormatOutput, AStreamWhoseCallbacksStopIsStartedAfresh) {
  fake = {};
  sonavel::FixedFormatOutput out;
  ASSERT_TRUE(out.open_and_start());
  const auto limit = sonavel::FixedFormatOutput::stallLimit;
  call_back_for(3 * limit);
  EXPECT_EQ(out.stall_restarts(), 0) << "a working stream was restarted";
  sonavel::start_burst(1000, 30);
  std::vector<float> sounding(4410);
  fake.callback(nullptr, sounding.data(), sounding.size(), nullptr, 0, nullptr);
  EXPECT_NE(sounding.back(), 0.0f) << "the burst sounds before the stall";
  const std::uint64_t cut_before = out.bursts_cut();

  sonavel_test::wait_until([&] { return out.stall_restarts() > 0; });
  ASSERT_EQ(out.stall_restarts(), 1) << "a stalled stream was not restarted";
  EXPECT_FALSE(out.silenced());
  call_back_for(3 * limit);  // silence: the cut burst does not go on
  EXPECT_EQ(out.bursts_cut(), cut_before + 1);
  EXPECT_EQ(out.stall_restarts(), 1) << "the restarted stream, calling back, was restarted";

  set_start_result(paInternalError);  // the next restart fails
  ASSERT_TRUE(sonavel_test::wait_until([&] { return out.stall_restarts() == 2; }));
  EXPECT_TRUE(out.silenced()) << "a failed restart was not told";
  set_start_result(paNoError);
  ASSERT_TRUE(sonavel_test::wait_until([&] { return out.stall_restarts() == 3; }));
  EXPECT_FALSE(out.silenced()) << "a restart that worked still says nothing sounds";
  out.stop_and_close();
  EXPECT_EQ(recorded(), (Calls{"initialize", "open", "start", "abort", "start", "abort", "start",
                               "abort", "start", "stop", "close"}));
}

}  // namespace
