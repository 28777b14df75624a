// A fresh folder, named after a path prefix and made unique, removed with everything in it when the
// owner goes away (a failed assertion included), unless keep() asked for it to stay.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace sonavel_test {

class TempDir {
 public:
  // prefix: a name under /tmp, or a path of its own ("/build/evidence/run").
  // claimed: the folder names this process as its owner, and claimed
  // folders of the same prefix whose owner is gone are removed first.
  explicit TempDir(const std::string& prefix = "sonavel", bool claimed = false)
      : claimed_(claimed) {
    std::string tmpl = (prefix.front() == '/' ? prefix : "/tmp/" + prefix) + "-XXXXXX";
    if (claimed) clear_stale(tmpl.substr(0, tmpl.size() - 6));
    std::filesystem::create_directories(std::filesystem::path(tmpl).parent_path());
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
    if (claimed) std::ofstream(*this / "owner") << getpid();
  }
  ~TempDir() {
    std::error_code ec;
    if (!kept_ && !path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Leaves the folder for a look afterwards; returns its path. A claimed
  // folder kept so goes after a day.
  const std::string& keep() {
    if (claimed_) std::ofstream(*this / "kept") << getpid();
    kept_ = true;
    return path_;
  }

 private:
  // Removes the claimed folders starting with stem whose owner has ended (a
  // test killed on a time-out, a stopped run: nothing else would ever remove
  // them), and those kept more than a day ago.
  static void clear_stale(const std::string& stem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = fs::path(stem).parent_path();
    const std::string name = fs::path(stem).filename();
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
      if (entry.path().filename().string().rfind(name, 0) != 0 || !entry.is_directory(ec)) continue;
      if (fs::exists(entry.path() / "kept", ec)) {
        const auto age =
            fs::file_time_type::clock::now() - fs::last_write_time(entry.path() / "kept", ec);
        if (!ec && age > std::chrono::hours(24)) fs::remove_all(entry.path(), ec);
        continue;
      }
      pid_t owner = 0;
      if (!(std::ifstream(entry.path() / "owner") >> owner)) continue;  // not claimed, or just made
      if (kill(owner, 0) != 0 && errno == ESRCH) fs::remove_all(entry.path(), ec);
    }
  }

  std::string path_;
  bool claimed_ = false;
  bool kept_ = false;
};

}  // namespace sonavel_test
