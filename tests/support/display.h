// X displays for tests: a private Xvfb of a test's own, or the process's
// DISPLAY (started privately when there is none).
#pragma once

#include <memory>
#include <string>

#include "support/subprocess.h"

namespace sonavel_test {

// An Xvfb on a free display number, stopped when this goes away. It has no
// GLX, so no GL driver is loaded and unloaded behind the leak checker's back.
class PrivateDisplay {
 public:
  PrivateDisplay();
  bool ready() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"

 private:
  std::unique_ptr<Subprocess> xvfb_;
  std::string name_;
};

// Returns false if no display could be had.
bool ensure_display();

}  // namespace sonavel_test
