// sonavel_pa's PortAudio start-up and shutdown paths. PortAudio cannot be made
// to fail on demand, so this program defines the PortAudio calls the output
// makes itself; the linker takes these in place of the library's.
#include <gtest/gtest.h>
#include <portaudio.h>

#include <string>
#include <vector>

#include "audio/fixed_format_output.h"

namespace {

struct Fake {
  PaError initResult = paNoError, openResult = paNoError, startResult = paNoError;
  std::vector<std::string> calls;
  int channels = 0;
  PaSampleFormat format = 0;
  double rate = 0;
  unsigned long frames = 0;
  PaStreamCallback* callback = nullptr;
  int streamToken = 0;
};
Fake fake;

}  // namespace

extern "C" {
PaError Pa_Initialize() {
  fake.calls.push_back("initialize");
  return fake.initResult;
}
PaError Pa_Terminate() {
  fake.calls.push_back("terminate");
  return paNoError;
}
PaError Pa_OpenDefaultStream(PaStream** stream, int, int channels, PaSampleFormat format,
                             double rate, unsigned long frames, PaStreamCallback* callback, void*) {
  fake.calls.push_back("open");
  fake.channels = channels;
  fake.format = format;
  fake.rate = rate;
  fake.frames = frames;
  fake.callback = callback;
  if (fake.openResult == paNoError) *stream = &fake.streamToken;
  return fake.openResult;
}
PaError Pa_StartStream(PaStream*) {
  fake.calls.push_back("start");
  return fake.startResult;
}
PaError Pa_StopStream(PaStream*) {
  fake.calls.push_back("stop");
  return paNoError;
}
PaError Pa_CloseStream(PaStream* stream) {
  fake.calls.push_back(stream == &fake.streamToken ? "close" : "close of an unknown stream");
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
  EXPECT_EQ(fake.calls, (Calls{"initialize"}));

  fake = {};
  fake.openResult = paDeviceUnavailable;
  EXPECT_EQ(open_and_end(false), "Pa_OpenDefaultStream failed: Device unavailable\n");
  EXPECT_EQ(fake.calls, (Calls{"initialize", "open", "terminate"}));

  fake = {};
  fake.startResult = paInternalError;
  EXPECT_EQ(open_and_end(false), "Pa_StartStream failed: Some failure\n");
  EXPECT_EQ(fake.calls, (Calls{"initialize", "open", "start", "close", "terminate"}));
}

TEST(FixedFormatOutput, RunsTheFixedStreamAndStopsBeforeItClosesAndTerminates) {
  fake = {};
  EXPECT_EQ(open_and_end(true), "");
  EXPECT_EQ(fake.calls, (Calls{"initialize", "open", "start", "stop", "close", "terminate"}));
  EXPECT_EQ(fake.channels, 1);
  EXPECT_EQ(fake.format, paFloat32);
  EXPECT_EQ(fake.rate, 44100.0);
  EXPECT_EQ(fake.frames, 256u);

  // The callback renders whatever count it is given and keeps the stream going.
  std::vector<float> buf(300, 9.0f);
  EXPECT_EQ(fake.callback(nullptr, buf.data(), buf.size(), nullptr, paOutputUnderflow, nullptr),
            paContinue);
  for (float s : buf) ASSERT_EQ(s, 0.0f) << "silence before any burst";
}

}  // namespace
