// sonavel_pa's PortAudio start-up and shutdown paths, with PortAudio stood in
// for by a fake so that each call can be made to fail on demand.
#include <gtest/gtest.h>

#include <string>

#include "engine/fixed_format_output.h"
#include "engine/module_tone.h"

using namespace sonavel;

namespace {

struct FakePortAudio {
  static inline PaError init_result, open_result, start_result;
  static inline int inits, terminates, opens, starts, stops, closes;
  static inline PaStream* closed;
  static inline int opened_channels;
  static inline PaSampleFormat opened_format;
  static inline double opened_rate;
  static inline unsigned long opened_frames;
  static inline PaStreamCallback* opened_callback;
  static inline int stream_token;

  static void reset() {
    init_result = open_result = start_result = paNoError;
    inits = terminates = opens = starts = stops = closes = 0;
    closed = nullptr;
  }
  static PortAudioApi api() {
    return {[] {
              ++inits;
              return init_result;
            },
            [] {
              ++terminates;
              return PaError{paNoError};
            },
            [](PaStream** s, int in, int out, PaSampleFormat fmt, double rate, unsigned long frames,
               PaStreamCallback* cb, void*) {
              ++opens;
              EXPECT_EQ(in, 0);
              opened_channels = out;
              opened_format = fmt;
              opened_rate = rate;
              opened_frames = frames;
              opened_callback = cb;
              if (open_result == paNoError) *s = &stream_token;
              return open_result;
            },
            [](PaStream*) {
              ++starts;
              return start_result;
            },
            [](PaStream*) {
              ++stops;
              return PaError{paNoError};
            },
            [](PaStream* s) {
              ++closes;
              closed = s;
              return PaError{paNoError};
            },
            [](PaError code) {
              return code == paDeviceUnavailable ? "Device unavailable" : "Some failure";
            }};
  }
};

class FixedOutput : public ::testing::Test {
 protected:
  void SetUp() override { FakePortAudio::reset(); }
  PortAudioApi api = FakePortAudio::api();
};

TEST_F(FixedOutput, InitialiseFailureReleasesNothing) {
  FakePortAudio::init_result = paInternalError;
  {
    FixedFormatOutput out(api);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(out.open_and_start());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Pa_Initialize failed: Some failure\n");
    EXPECT_EQ(out.stream(), nullptr);
  }
  EXPECT_EQ(FakePortAudio::opens, 0);
  EXPECT_EQ(FakePortAudio::closes, 0);
  EXPECT_EQ(FakePortAudio::terminates, 0);
}

TEST_F(FixedOutput, OpenFailureTerminatesOnceAndClosesNothing) {
  FakePortAudio::open_result = paDeviceUnavailable;
  {
    FixedFormatOutput out(api);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(out.open_and_start());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Pa_OpenDefaultStream failed: Device unavailable\n");
    EXPECT_EQ(out.stream(), nullptr);
  }
  EXPECT_EQ(FakePortAudio::starts, 0);
  EXPECT_EQ(FakePortAudio::closes, 0);
  EXPECT_EQ(FakePortAudio::terminates, 1) << "and none more when the output goes away";
}

TEST_F(FixedOutput, StartFailureClosesOnceAndTerminatesOnce) {
  FakePortAudio::start_result = paInternalError;
  {
    FixedFormatOutput out(api);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(out.open_and_start());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Pa_StartStream failed: Some failure\n");
    EXPECT_EQ(out.stream(), nullptr);
  }
  EXPECT_EQ(FakePortAudio::closes, 1);
  EXPECT_EQ(FakePortAudio::closed, &FakePortAudio::stream_token);
  EXPECT_EQ(FakePortAudio::stops, 0);
  EXPECT_EQ(FakePortAudio::terminates, 1);
}

TEST_F(FixedOutput, SuccessOpensTheFixedStreamThenStopsClosesAndForgetsIt) {
  FixedFormatOutput out(api);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(out.open_and_start());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(out.stream(), &FakePortAudio::stream_token);
  EXPECT_EQ(FakePortAudio::opened_channels, 1);
  EXPECT_EQ(FakePortAudio::opened_format, paFloat32);
  EXPECT_EQ(FakePortAudio::opened_rate, 44100.0);
  EXPECT_EQ(FakePortAudio::opened_frames, 256u);
  EXPECT_EQ(FakePortAudio::opened_callback, &FixedFormatOutput::audioCallback);

  out.stop_and_close();
  EXPECT_EQ(out.stream(), nullptr);
  EXPECT_EQ(FakePortAudio::stops, 1);
  EXPECT_EQ(FakePortAudio::closes, 1);
  out.stop_and_close();  // nothing open: nothing more happens
  EXPECT_EQ(FakePortAudio::closes, 1);
  out.terminate();
  EXPECT_EQ(FakePortAudio::terminates, 1);
}

TEST_F(FixedOutput, OutputGoingAwayWhileRunningStopsBeforeItTerminates) {
  {
    FixedFormatOutput out(api);
    ASSERT_TRUE(out.open_and_start());
  }
  EXPECT_EQ(FakePortAudio::stops, 1);
  EXPECT_EQ(FakePortAudio::closes, 1);
  EXPECT_EQ(FakePortAudio::terminates, 1);
}

TEST(AudioCallback, RendersEveryFrameItIsGivenAndKeepsRunning) {
  std::vector<float> buf(300, 9.0f);  // PortAudio may pass another count than 256
  EXPECT_EQ(FixedFormatOutput::audioCallback(nullptr, buf.data(), buf.size(), nullptr, 0, nullptr),
            paContinue);
  for (float s : buf) ASSERT_EQ(s, 0.0f) << "silence before any burst";
  start_burst(1000, 0);
  EXPECT_EQ(FixedFormatOutput::audioCallback(nullptr, buf.data(), buf.size(), nullptr,
                                             paOutputUnderflow, nullptr),
            paContinue);
  EXPECT_EQ(buf[0], 0.0f);
  EXPECT_NE(buf[299], 0.0f);
  EXPECT_EQ(samplesRemaining.load(), 132300u - 300u);
}

}  // namespace
