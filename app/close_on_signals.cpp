#include "app/close_on_signals.h"

#include <glib-unix.h>
#include <signal.h>

#include <array>

namespace sonavel {

namespace {

// The signal sources, removed with the window so that none outlives it.
struct SignalSources {
  std::array<guint, 3> ids{};
};

}  // namespace

gboolean on_close_signal(gpointer window) {
  gtk_widget_destroy(GTK_WIDGET(window));
  // The window's destroy handler has removed every source; a later signal
  // is absorbed while the shutdown runs, bounded as after a close.
  return G_SOURCE_REMOVE;
}

void close_window_on_signals(GtkWidget* window) {
  auto* sources = new SignalSources;
  const int signals[] = {SIGTERM, SIGINT, SIGHUP};
  for (std::size_t i = 0; i < sources->ids.size(); ++i) {
    sources->ids[i] = g_unix_signal_add(signals[i], on_close_signal, window);
  }
  g_signal_connect_data(
      window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer data) {
        for (guint id : static_cast<SignalSources*>(data)->ids) {
          if (GSource* s = g_main_context_find_source_by_id(nullptr, id)) g_source_destroy(s);
        }
      }),
      sources, [](gpointer data, GClosure*) { delete static_cast<SignalSources*>(data); },
      GConnectFlags{});
}

}  // namespace sonavel
