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
  const WaveformCaptions& captions = ctx->painter.captions();
  std::string spoken = captions.frequency + ". " + captions.amplitude + ". " + captions.timeWindow +
                       (ctx->painter.shows_message() ? ". " + ctx->painter.message() : "");
  if (spoken != ctx->spoken) {  // a change is announced, so only a change is set
    atk_object_set_description(gtk_widget_get_accessible(widget), spoken.c_str());
    ctx->spoken = std::move(spoken);
  }
  return FALSE;
}

}  // namespace sonavel
