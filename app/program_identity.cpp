#include "app/program_identity.h"

#include <gtk/gtk.h>

namespace sonavel {

void name_program(const char* desktop_id) {
  g_set_prgname(desktop_id);
}

void class_windows_by_program_name() {
  gdk_set_program_class(g_get_prgname());
}

}  // namespace sonavel
