// The baseline for start-up time, CPU and memory: the least a GTK 3 program
// does to show a window. Each option adds one part that the design asks of
// the programs, so that the benchmark can measure that part alone:
//   --timer MS     a main-loop timer every MS ms that does nothing (the
//                  view's refresh timer at rest: 33 in sonavel_pa, 16 in sonavel)
//   --label        one line of text (the toolkit's text stack: Pango, HarfBuzz,
//                  FreeType and the fonts)
//   --application  run as a GtkApplication, registered on the session bus (sonavel)
//   --sliders N    N vertical sliders from 0 to 120, each under a two-line
//                  label, side by side in a sideways-scrolling strip (the
//                  band strip's toolkit widgets, 33 in the programs)
//   --show-on-line the window is built, then shown only once a line arrives
//                  on standard input, from the floor's audio client when it
//                  plays (the programs show their window only once their
//                  audio runs)
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

bool withLabel = false;
bool showOnLine = false;
int sliders = 0;

GtkWidget* slider_strip() {
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_NEVER);
  GtkWidget* grid = gtk_grid_new();
  gtk_container_add(GTK_CONTAINER(scrolled), grid);
  for (int i = 0; i < sliders; ++i) {
    GtkWidget* slider = gtk_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0, 120, 1);
    gtk_scale_set_draw_value(GTK_SCALE(slider), FALSE);
    gtk_widget_set_size_request(slider, 12, 420);
    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("1000\n-40 dB"), i, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), slider, i, 1, 1, 1);
  }
  return scrolled;
}

// Returns once a line, or the end, has arrived on standard input.
void wait_for_line() {
  char c = 0;
  while (c != '\n' && read(0, &c, 1) == 1) continue;
}

void show_window(GtkApplication* app) {
  GtkWidget* window = app ? gtk_application_window_new(app) : gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Minimal");
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_add(GTK_CONTAINER(window), box);
  if (sliders > 0) gtk_box_pack_start(GTK_BOX(box), slider_strip(), TRUE, TRUE, 0);
  if (withLabel)
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new("Frequency: 1000 Hz"), FALSE, FALSE, 0);
  if (!app) g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  // The main thread waits, as each program's waits for its audio to run.
  if (showOnLine) wait_for_line();
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
    } else if (std::strcmp(argv[i], "--sliders") == 0 && i + 1 < argc) {
      sliders = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--application") == 0) {
      application = true;
    } else if (std::strcmp(argv[i], "--show-on-line") == 0) {
      showOnLine = true;
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
