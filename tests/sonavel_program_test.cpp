// sonavel as a user starts it: the start-up failures each give their one line
// on standard error, no window and status 1; a command line the application
// rejects gives the application's own non-zero status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/display.h"
#include "support/map_watcher.h"
#include "support/sound_server.h"
#include "support/subprocess.h"

using namespace sonavel_test;

namespace {

struct ProgramRun {
  int status = -1;
  std::string out, err;
  int windows_mapped = -1;
};

// Runs sonavel on a display of its own, to its end or for at most `limit`.
ProgramRun run_sonavel(std::vector<std::string> args, std::vector<std::string> env,
                       std::chrono::seconds limit = std::chrono::seconds(30)) {
  PrivateDisplay display;
  if (!display.ready()) return {};
  MapWatcher watcher(display.name());
  char tmpl[] = "/tmp/sonavel-run-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  args.insert(args.begin(), SONAVEL_BINARY);
  env.push_back("DISPLAY=" + display.name());
  ProgramRun r;
  {
    Subprocess prog(args, env, dir + "/out", dir + "/err");
    const auto status = prog.wait_exit(limit);
    if (status) r.status = *status;
  }
  r.out = slurp(dir + "/out");
  r.err = slurp(dir + "/err");
  r.windows_mapped = watcher.ready() ? watcher.mapped() : -1;
  std::filesystem::remove_all(dir);
  return r;
}

TEST(SonavelProgram, TwentyFourBitSinkIsRefusedWithOneLineAndStatusOne) {
  SoundServer server("s24le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_sonavel({}, server.client_env());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Failed to start audio: Unsupported sample format: I24\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.windows_mapped, 0);
}

TEST(SonavelProgram, NoServerIsNoDefaultOutputDeviceWithStatusOne) {
  char tmpl[] = "/tmp/sonavel-noserver-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const ProgramRun r = run_sonavel(
      {}, {"PULSE_SERVER=unix:" + dir + "/none", "XDG_RUNTIME_DIR=" + dir, "HOME=" + dir});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Failed to start audio: No default output device available\n");
  EXPECT_EQ(r.windows_mapped, 0);
  std::filesystem::remove_all(dir);
}

// The same watch sees the window when the audio comes up.
TEST(SonavelProgram, WorkingServerShowsTheWindow) {
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_sonavel({}, server.client_env(), std::chrono::seconds(3));
  EXPECT_EQ(r.status, -1) << "still running when stopped";
  EXPECT_EQ(r.windows_mapped, 1);
  EXPECT_EQ(r.err, "");
}

TEST(SonavelProgram, RejectedCommandLineKeepsTheApplicationsOwnStatus) {
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_sonavel({"--no-such-option"}, server.client_env());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.status, -1) << "it ended";
  EXPECT_EQ(r.err.find("Failed to start audio"), std::string::npos) << "it never activated";
  EXPECT_EQ(r.windows_mapped, 0);
}

}  // namespace
