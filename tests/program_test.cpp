// Both programs as a user starts them, when the audio cannot start: exactly
// one line on standard error, no window ever mapped, and status 1; and, as a
// control, a working server that maps exactly one window.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "support/program_run.h"

using namespace sonavel_test;

namespace {

TEST(SonavelPaProgram, NoSoundServerGivesPortAudiosReasonAndStatusOne) {
  const PrivateSession none({.sound = false});
  const ProgramRun r = run_program(none, {SONAVEL_PA_BINARY});
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
    const PrivateSession session({.sink = sink});
    ASSERT_TRUE(session.ready()) << sink << ": " << session.why_not();
    const ProgramRun r = run_program(session, {SONAVEL_BINARY});
    EXPECT_EQ(r.status, 1) << sink;
    EXPECT_EQ(r.err,
              std::string("Failed to start audio: Unsupported sample format: ") + name + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.windowsMapped, 0) << sink;
  }
}

// A socket that accepts each connection and hangs up at once: a server that
// goes away while the client is still connecting.
class HangUpSocket {
 public:
  explicit HangUpSocket(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd_, 4);
    thread_ = std::thread([fd = fd_] {
      for (int c; (c = accept(fd, nullptr, nullptr)) >= 0;) close(c);
    });
  }
  ~HangUpSocket() {
    shutdown(fd_, SHUT_RDWR);  // ends the accept
    thread_.join();
    close(fd_);
  }

 private:
  int fd_;
  std::thread thread_;
};

// No server at all, or one that hangs up while the connection is being made:
// either way there is no default output device.
TEST(SonavelProgram, NoServerOrOneThatHangsUpIsNoDefaultOutputDevice) {
  const PrivateSession none({.sound = false});
  for (const bool hangs_up : {false, true}) {
    std::optional<HangUpSocket> server;
    if (hangs_up) server.emplace(none.server_socket());
    const ProgramRun r = run_program(none, {SONAVEL_BINARY});
    EXPECT_EQ(r.status, 1) << hangs_up;
    EXPECT_EQ(r.err, "Failed to start audio: No default output device available\n") << hangs_up;
    EXPECT_EQ(r.windowsMapped, 0) << hangs_up;
  }
}

// The same watch sees the window when the audio comes up. A logout's
// SIGTERM or SIGHUP, or Ctrl+C's SIGINT, then closes it as its close button
// does: each program ends by its own shutdown, quietly, with status 0. A
// second signal while a frozen server holds that shutdown changes nothing;
// a hang-up ignored at the start (nohup) stays ignored.
TEST(BothPrograms, WorkingServerShowsOneWindowAndASignalClosesIt) {
  PrivateSession session;
  ASSERT_TRUE(session.ready()) << session.why_not();
  for (const char* binary : {SONAVEL_BINARY, SONAVEL_PA_BINARY}) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
      const ProgramRun r = run_program(session, {binary}, slowMachineWait, {{sig}});
      EXPECT_EQ(r.status, 0) << binary << ", signal " << sig;
      EXPECT_EQ(r.windowsMapped, 1) << binary;
      EXPECT_EQ(r.err, "") << binary << ", signal " << sig;
    }
    for (const int sig : {SIGTERM, SIGINT}) {
      const ProgramRun twice =
          run_program(session, {binary}, slowMachineWait,
                      {{sig, sig}, std::chrono::milliseconds(300), [&](const auto&) {
                         session.server().freeze();
                       }});
      session.server().thaw();
      EXPECT_EQ(twice.status, 0) << binary << ", signal " << sig << " twice";
    }
    const ProgramRun nohup =
        run_program(session, {"sh", "-c", "trap '' HUP; exec \"$0\"", binary}, slowMachineWait,
                    {{SIGHUP, SIGTERM}, std::chrono::milliseconds(1500)});
    EXPECT_EQ(nohup.signalsSent, 2) << binary << " obeyed a hang-up it was started to ignore";
    EXPECT_EQ(nohup.status, 0) << binary;
  }
}

// A second launch while the default output is a format sonavel cannot play
// fails in the running instance, which says why; the window shown all along
// still ends its run with status 0.
TEST(SonavelProgram, AFailedLaterActivationLeavesTheStatusOfTheShownWindow) {
  const PrivateSession session;  // its bus keeps sonavel to one instance
  ASSERT_TRUE(session.ready()) << session.why_not();
  int second = -1;
  const ProgramRun r = run_program(
      session, {SONAVEL_BINARY}, slowMachineWait,
      {{SIGTERM}, std::chrono::milliseconds(300), [&](const std::vector<std::string>& with) {
         for (std::vector<std::string> pactl :
              {std::vector<std::string>{"pactl", "load-module", "module-null-sink",
                                        "sink_name=s24sink", "format=s24le"},
               {"pactl", "set-default-sink", "s24sink"}}) {
           ASSERT_EQ(run_to_end(pactl, with), 0);
         }
         second = Subprocess({SONAVEL_BINARY}, with).wait_exit(slowMachineWait).value_or(-1);
       }});
  EXPECT_EQ(second, 0) << "the second launch handed its activation over";
  EXPECT_EQ(r.err, "Failed to start audio: Unsupported sample format: I24\n");
  EXPECT_EQ(r.windowsMapped, 1);
  EXPECT_EQ(r.status, 0);
}

TEST(SonavelProgram, RejectedCommandLineKeepsTheApplicationsOwnStatus) {
  const PrivateSession session;
  ASSERT_TRUE(session.ready()) << session.why_not();
  const ProgramRun r = run_program(session, {SONAVEL_BINARY, "--no-such-option"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.status, -1) << "it ended";
  EXPECT_EQ(r.err.find("Failed to start audio"), std::string::npos) << "it never activated";
  EXPECT_EQ(r.windowsMapped, 0);
}

}  // namespace
