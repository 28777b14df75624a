// The toolkit in this process, as the window and sound tests share it: its
// main loop run for a while, and an application as a program runs one.
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

// An application registered on the session bus, and shut down when this goes,
// as g_application_run starts and ends one: until its shutdown the toolkit's
// application holds a reference to itself, and its name stays exported on
// the bus, so that the next test's could not be registered.
class RegisteredApplication {
 public:
  explicit RegisteredApplication(const char* id)
      : app_(gtk_application_new(id, G_APPLICATION_NON_UNIQUE)) {
    g_application_register(G_APPLICATION(app_), nullptr, nullptr);
  }
  ~RegisteredApplication() {
    g_signal_emit_by_name(app_, "shutdown");
    g_object_unref(app_);
  }
  RegisteredApplication(const RegisteredApplication&) = delete;
  RegisteredApplication& operator=(const RegisteredApplication&) = delete;
  GtkApplication* get() const { return app_; }

 private:
  GtkApplication* app_;
};

}  // namespace sonavel_test
