// Writes a PNG of an X window (or the whole screen) as the X server shows it.
// Usage: x_snapshot OUT.png [WINDOW-ID]
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "engine/glib_owners.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: x_snapshot OUT.png [WINDOW-ID]\n");
    return 2;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "x_snapshot: no display\n");
    return 1;
  }
  GdkDisplay* display = gdk_display_get_default();
  GdkWindow* window = gdk_get_default_root_window();
  sonavel::GObjectRef<GdkWindow> foreign;
  if (argc > 2) {
    foreign = sonavel::adopt(
        gdk_x11_window_foreign_new_for_display(display, std::strtoul(argv[2], nullptr, 0)));
    if (!foreign) {
      std::fprintf(stderr, "x_snapshot: no such window\n");
      return 1;
    }
    window = foreign.get();
  }
  const int w = gdk_window_get_width(window), h = gdk_window_get_height(window);
  const auto pixbuf = sonavel::adopt(gdk_pixbuf_get_from_window(window, 0, 0, w, h));
  GError* error = nullptr;
  if (!pixbuf || !gdk_pixbuf_save(pixbuf.get(), argv[1], "png", &error, nullptr)) {
    std::fprintf(stderr, "x_snapshot: %s\n", error ? error->message : "capture failed");
    if (error) g_error_free(error);
    return 1;
  }
  return 0;
}
