// The baseline for start-up time, CPU and memory: the least a GTK 3 program
// does to show a window. Each option adds one part that the design asks of
// the programs, so that the benchmark can measure that part alone:
//   --timer MS     a main-loop timer every MS ms that does nothing (the
//                  view's refresh timer at rest: 33 in sonavel_pa, 16 in sonavel)
//   --label        one line of text (the toolkit's text stack: Pango, HarfBuzz,
//                  FreeType and the fonts)
//   --application  run as a GtkApplication, registered on the session bus (sonavel)
#include <gtk/gtk.h>

#include <cstdlib>
#include <cstring>

namespace {

bool withLabel = false;

void show_window(GtkApplication* app) {
  GtkWidget* window = app ? gtk_application_window_new(app) : gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Minimal");
  if (withLabel) gtk_container_add(GTK_CONTAINER(window), gtk_label_new("Frequency: 1000 Hz"));
  if (!app) g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
}

}  // namespace

int main(int argc, char** argv) {
  guint timer_ms = 0;
  bool application = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timer") == 0 && i + 1 < argc) {
      timer_ms = static_cast<guint>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--label") == 0) {
      withLabel = true;
    } else if (std::strcmp(argv[i], "--application") == 0) {
      application = true;
    }
  }
  if (timer_ms > 0)
    g_timeout_add(
        timer_ms, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  if (application) {
    GtkApplication* app =
        gtk_application_new("org.sonavel.MinimalWindow", G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(app, "activate",
                     G_CALLBACK(+[](GtkApplication* a, gpointer) { show_window(a); }), nullptr);
    const int status = g_application_run(G_APPLICATION(app), 1, argv);
    g_object_unref(app);
    return status;
  }
  gtk_init(nullptr, nullptr);
  show_window(nullptr);
  gtk_main();
  return 0;
}
