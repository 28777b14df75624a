#include "ui/time_window_handler.h"

#include "monitor/tone_link.h"
#include "ui/slider_accessibility.h"

namespace sonavel {

void on_time_window_slider_changed(GtkRange* range, gpointer data) {
  const auto* ctx = static_cast<const TimeWindowContext*>(data);
  // No clamping: the slider's range keeps the value within 0.1 to 2.0.
  ctx->tone->set_time_window(gtk_range_get_value(range));
  describe_time_window_slider(GTK_WIDGET(range), gtk_range_get_value(range));
  if (ctx->waveform_area != nullptr) gtk_widget_queue_draw(ctx->waveform_area);
}

}  // namespace sonavel
