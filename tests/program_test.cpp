// Both programs as a user starts them, when the audio cannot start: exactly
// one line on standard error, no window ever mapped, and status 1; and, as a
// control, a working server that maps exactly one window.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/program_run.h"
#include "support/sound_server.h"

using namespace sonavel_test;

namespace {

TEST(SonavelPaProgram, NoSoundServerGivesPortAudiosReasonAndStatusOne) {
  TempDir dir;
  const ProgramRun r = run_program({SONAVEL_PA_BINARY}, no_sound_server_env(dir));
  EXPECT_EQ(r.status, 1);
  const std::string prefix = "Pa_OpenDefaultStream failed: ";
  EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
  EXPECT_GT(r.err.size(), prefix.size() + 1) << "PortAudio's text follows the colon";
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "exactly one line:\n" << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.windowsMapped, 0) << "no window before the audio runs";
}

TEST(SonavelProgram, SinksInFormatsItCannotPlayAreRefusedByName) {
  for (const auto& [sink, name] :
       {std::pair{"s24le", "I24"}, {"s24-32le", "I24"}, {"s32le", "I32"}}) {
    SoundServer server(sink);
    ASSERT_TRUE(server.ready()) << sink;
    const ProgramRun r = run_program({SONAVEL_BINARY}, server.client_env());
    EXPECT_EQ(r.status, 1) << sink;
    EXPECT_EQ(r.err,
              std::string("Failed to start audio: Unsupported sample format: ") + name + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.windowsMapped, 0) << sink;
  }
}

TEST(SonavelProgram, NoServerIsNoDefaultOutputDevice) {
  TempDir dir;
  const ProgramRun r = run_program({SONAVEL_BINARY}, no_sound_server_env(dir));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Failed to start audio: No default output device available\n");
  EXPECT_EQ(r.windowsMapped, 0);
}

// The same watch sees the window when the audio comes up.
TEST(SonavelProgram, WorkingServerShowsOneWindow) {
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_program({SONAVEL_BINARY}, server.client_env(), std::chrono::seconds(3));
  EXPECT_EQ(r.status, -1) << "still running when stopped";
  EXPECT_EQ(r.windowsMapped, 1);
  EXPECT_EQ(r.err, "");
}

TEST(SonavelProgram, RejectedCommandLineKeepsTheApplicationsOwnStatus) {
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_program({SONAVEL_BINARY, "--no-such-option"}, server.client_env());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.status, -1) << "it ended";
  EXPECT_EQ(r.err.find("Failed to start audio"), std::string::npos) << "it never activated";
  EXPECT_EQ(r.windowsMapped, 0);
}

}  // namespace
