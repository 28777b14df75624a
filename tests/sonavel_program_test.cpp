// sonavel as a user starts it: the start-up failures each give their one line
// on standard error, no window and status 1; a command line the application
// rejects gives the application's own non-zero status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/display.h"
#include "support/sound_server.h"
#include "support/subprocess.h"

using namespace sonavel_test;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

ProgramRun run_sonavel(std::vector<std::string> args, std::vector<std::string> env) {
  char tmpl[] = "/tmp/sonavel-run-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  args.insert(args.begin(), SONAVEL_BINARY);
  Subprocess prog(args, env, dir + "/out", dir + "/err");
  ProgramRun r;
  const auto status = prog.wait_exit(std::chrono::seconds(30));
  if (status) r.status = *status;
  r.out = slurp(dir + "/out");
  r.err = slurp(dir + "/err");
  std::filesystem::remove_all(dir);
  return r;
}

TEST(SonavelProgram, TwentyFourBitSinkIsRefusedWithOneLineAndStatusOne) {
  ASSERT_TRUE(ensure_display());
  SoundServer server("s24le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_sonavel({}, server.client_env());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Failed to start audio: Unsupported sample format: I24\n");
  EXPECT_EQ(r.out, "");
}

TEST(SonavelProgram, NoServerIsNoDefaultOutputDeviceWithStatusOne) {
  ASSERT_TRUE(ensure_display());
  char tmpl[] = "/tmp/sonavel-noserver-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const ProgramRun r = run_sonavel(
      {}, {"PULSE_SERVER=unix:" + dir + "/none", "XDG_RUNTIME_DIR=" + dir, "HOME=" + dir});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Failed to start audio: No default output device available\n");
  std::filesystem::remove_all(dir);
}

TEST(SonavelProgram, RejectedCommandLineKeepsTheApplicationsOwnStatus) {
  ASSERT_TRUE(ensure_display());
  SoundServer server("float32le");
  ASSERT_TRUE(server.ready());
  const ProgramRun r = run_sonavel({"--no-such-option"}, server.client_env());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.status, -1) << "it ended";
  EXPECT_EQ(r.err.find("Failed to start audio"), std::string::npos) << "it never activated";
}

}  // namespace
