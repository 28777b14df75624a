// sonavel_pa as a user starts it, on a machine where no sound server runs:
// exactly one line on standard error, PortAudio's reason, no window and
// status 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/display.h"
#include "support/map_watcher.h"
#include "support/subprocess.h"

using namespace sonavel_test;

namespace {

TEST(SonavelPaProgram, NoSoundServerGivesOneLineAndStatusOne) {
  PrivateDisplay display;
  ASSERT_TRUE(display.ready());
  MapWatcher watcher(display.name());
  ASSERT_TRUE(watcher.ready());
  char tmpl[] = "/tmp/sonavel-noaudio-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  Subprocess prog({SONAVEL_PA_BINARY},
                  {"PULSE_SERVER=unix:" + dir + "/none", "XDG_RUNTIME_DIR=" + dir, "HOME=" + dir,
                   "JACK_NO_START_SERVER=1", "DISPLAY=" + display.name()},
                  dir + "/out", dir + "/err");
  const auto status = prog.wait_exit(std::chrono::seconds(30));
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_EQ(*status, 1);
  const std::string err = slurp(dir + "/err");
  const std::string prefix = "Pa_OpenDefaultStream failed: ";
  EXPECT_EQ(err.rfind(prefix, 0), 0u) << err;
  EXPECT_GT(err.size(), prefix.size() + 1) << "PortAudio's text follows the colon";
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "exactly one line:\n" << err;
  EXPECT_EQ(err.back(), '\n');
  EXPECT_EQ(slurp(dir + "/out"), "");
  EXPECT_EQ(watcher.mapped(), 0) << "no window before the audio runs";
  std::filesystem::remove_all(dir);
}

}  // namespace
