#include "app/close_on_signals.h"

#include <glib-unix.h>
#include <signal.h>

#include <array>

namespace sonavel {

namespace {

constexpr std::array<int, 3> closingSignals{SIGTERM, SIGINT, SIGHUP};

// Whether each closing signal was ignored when the program started, as
// nohup and a shell's trap '' leave it: such a signal stays ignored. Read
// before the first source takes the signal over, and kept for later windows.
const std::array<bool, 3>& ignored_at_start() {
  static const std::array<bool, 3> ignored = [] {
    std::array<bool, 3> result{};
    for (std::size_t i = 0; i < closingSignals.size(); ++i) {
      struct sigaction current {};
      result[i] =
          sigaction(closingSignals[i], nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
    }
    return result;
  }();
  return ignored;
}

// The signal sources, removed with the window so that none outlives it.
struct SignalSources {
  std::array<guint, 3> ids{};
};

// Once the window is gone, a closing signal does nothing: the shutdown under
// way ends with status 0, as the first signal promised, and a second Ctrl+C
// or SIGTERM must not end the process by the default action instead.
gboolean absorb_signal(gpointer) {
  return G_SOURCE_CONTINUE;
}

}  // namespace

gboolean on_close_signal(gpointer window) {
  gtk_widget_destroy(GTK_WIDGET(window));
  // The window's destroy handler has replaced every source by one that
  // absorbs a later signal while the shutdown runs.
  return G_SOURCE_REMOVE;
}

void close_window_on_signals(GtkWidget* window) {
  auto* sources = new SignalSources;
  for (std::size_t i = 0; i < closingSignals.size(); ++i) {
    if (!ignored_at_start()[i]) {
      sources->ids[i] = g_unix_signal_add(closingSignals[i], on_close_signal, window);
    }
  }
  g_signal_connect_data(
      window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer data) {
        const auto& ids = static_cast<SignalSources*>(data)->ids;
        for (std::size_t i = 0; i < ids.size(); ++i) {
          if (ids[i] == 0) continue;
          // The absorber comes first, so that the signal is never left to
          // its default action between the two.
          g_unix_signal_add(closingSignals[i], absorb_signal, nullptr);
          if (GSource* s = g_main_context_find_source_by_id(nullptr, ids[i])) g_source_destroy(s);
        }
      }),
      sources, [](gpointer data, GClosure*) { delete static_cast<SignalSources*>(data); },
      GConnectFlags{});
}

}  // namespace sonavel
