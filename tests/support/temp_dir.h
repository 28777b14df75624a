// A fresh folder, named after a path prefix and made unique, removed with everything in it when the
// owner goes away (a failed assertion included), unless keep() asked for it to stay.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace sonavel_test {

class TempDir {
 public:
  // prefix: a name under /tmp, or a path of its own ("/build/evidence/run").
  explicit TempDir(const std::string& prefix = "sonavel") {
    std::string tmpl = (prefix.front() == '/' ? prefix : "/tmp/" + prefix) + "-XXXXXX";
    std::filesystem::create_directories(std::filesystem::path(tmpl).parent_path());
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!kept_ && !path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Leaves the folder for a look afterwards; returns its path.
  const std::string& keep() {
    kept_ = true;
    return path_;
  }

 private:
  std::string path_;
  bool kept_ = false;
};

}  // namespace sonavel_test
