#include "ui/waveform_draw_handler.h"

#include "monitor/tone_link.h"

namespace sonavel {

gboolean on_waveform_draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
  auto* ctx = static_cast<WaveformViewContext*>(data);
  GtkAllocation alloc;
  gtk_widget_get_allocation(widget, &alloc);
  WaveformFrame frame;
  ctx->tone->take_frame(ctx->choices, frame, ctx->copy);
  ctx->painter.paint(cr, static_cast<double>(alloc.width), static_cast<double>(alloc.height),
                     frame);
  return FALSE;
}

}  // namespace sonavel
