#include "ui/quiet_settings_backend.h"

#include <glib.h>

#include <cstring>

namespace sonavel {

namespace {

GLogWriterOutput drop_dconf_messages(GLogLevelFlags level, const GLogField* fields, gsize count,
                                     gpointer data) {
  for (gsize i = 0; i < count; ++i) {
    if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0 &&
        std::strcmp(static_cast<const char*>(fields[i].value), "dconf") == 0) {
      return G_LOG_WRITER_HANDLED;
    }
  }
  return g_log_writer_default(level, fields, count, data);
}

}  // namespace

void quiet_settings_backend() {
  g_log_set_writer_func(drop_dconf_messages, nullptr, nullptr);
}

}  // namespace sonavel
