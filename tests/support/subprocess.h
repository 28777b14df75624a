// A child process for tests: started with fork/exec, its standard output and
// error sent to files, terminated and reaped when the handle goes away.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/waits.h"

namespace sonavel_test {

// A whole file as text (empty when it cannot be read): a child's output.
inline std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Subprocess {
 public:
  // env: changes to this process's environment for the child: NAME=VALUE
  // sets NAME, a bare NAME removes it.
  // out_path, err_path: files for its standard output and error; empty keeps ours.
  Subprocess(std::vector<std::string> argv, const std::vector<std::string>& env = {},
             const std::string& out_path = "/dev/null", const std::string& err_path = "/dev/null") {
    // Everything the child needs is made here: between fork and exec a child
    // of a threaded process may only make async-signal-safe calls.
    std::vector<std::string> vars = child_environment(env);
    std::vector<char*> envp;
    for (auto& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      // A test killed on a time-out takes its servers and programs with it.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int in = open("/dev/null", O_RDONLY);
      dup2(in, 0);
      if (!out_path.empty()) dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
      if (!err_path.empty()) dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      execvpe(args[0], args.data(), envp.data());
      _exit(127);
    }
  }
  ~Subprocess() { stop(); }
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  pid_t pid() const { return pid_; }

  // The exit status once the child has ended within the time, else nothing.
  std::optional<int> wait_exit(std::chrono::milliseconds timeout) {
    if (status_) return status_;
    const auto until = std::chrono::steady_clock::now() + timeout;
    do {
      int st = 0;
      if (waitpid(pid_, &st, WNOHANG) == pid_) {
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return status_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < until);
    return std::nullopt;
  }
  bool running() { return !wait_exit(std::chrono::milliseconds(0)).has_value(); }

  void signal(int sig) {
    if (!status_ && pid_ > 0) kill(pid_, sig);
  }
  void stop() {
    if (pid_ <= 0 || status_) return;
    kill(-pid_, SIGTERM);
    if (!wait_exit(std::chrono::milliseconds(2000))) {
      kill(-pid_, SIGKILL);
      wait_exit(std::chrono::milliseconds(2000));
    }
  }

 private:
  static std::vector<std::string> child_environment(const std::vector<std::string>& changes) {
    std::vector<std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) vars.emplace_back(*e);
    for (const auto& change : changes) {
      const std::string name = change.substr(0, change.find('='));
      std::erase_if(vars, [&](const std::string& v) {
        return v.compare(0, name.size() + 1, name + "=") == 0;
      });
      if (change.find('=') != std::string::npos) vars.push_back(change);
    }
    return vars;
  }

  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs argv to its end (env and out_path as for a Subprocess, its errors
// left out), within the one loaded-machine wait: its exit status, or nothing
// if it was still running then (and was stopped).
inline std::optional<int> run_to_end(std::vector<std::string> argv,
                                     const std::vector<std::string>& env = {},
                                     const std::string& out_path = "/dev/null") {
  return Subprocess(std::move(argv), env, out_path).wait_exit(slowMachineWait);
}

}  // namespace sonavel_test
