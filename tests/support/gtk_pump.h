// Runs the toolkit's main loop in this process for a while: the one pump the
// window and sound tests share.
#pragma once

#include <gtk/gtk.h>

#include <chrono>

#include "support/waits.h"

namespace sonavel_test {

// Runs the main loop until done() holds or limit has passed, and says
// whether done() held.
template <typename Done>
bool run_main_loop_until(Done done, std::chrono::milliseconds limit) {
  return wait_until(
      [&] {
        while (gtk_events_pending()) gtk_main_iteration();
        return done();
      },
      limit, std::chrono::milliseconds(5));
}

inline void run_main_loop_for(std::chrono::milliseconds ms) {
  run_main_loop_until([] { return false; }, ms);
}

}  // namespace sonavel_test
