// Runs the toolkit's main loop in this process for a while: the one pump the
// window and sound tests share.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <thread>

namespace sonavel_test {

inline void run_main_loop_for(std::chrono::milliseconds ms) {
  const auto until = std::chrono::steady_clock::now() + ms;
  do {
    while (gtk_events_pending()) gtk_main_iteration();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < until);
}

}  // namespace sonavel_test
