#include "ui/band_slider_handlers.h"

#include <cmath>
#include <cstdio>

#include "engine/bands.h"
#include "engine/burst.h"
#include "engine/slider_rounding.h"
#include "monitor/tone_link.h"
#include "ui/slider_accessibility.h"

namespace sonavel {

void update_label_for_index(GtkWidget* label, int index, int slider_value) {
  char text[64];
  std::snprintf(text, sizeof text, "%d\n-%d dB", bands[index], slider_value);
  gtk_label_set_text(GTK_LABEL(label), text);
}

void on_slider_value_changed(GtkRange* range, gpointer data) {
  const auto* ctx = static_cast<const BandSliderContext*>(data);
  const int hz = bands[ctx->index];
  const int db = slider_db(gtk_range_get_value(range), ctx->choices.sliderRounding);
  EarChoice& ears = *ctx->ears;
  if (ears.showingEar) {  // moved to the chosen ear's level: shown, not played
    update_label_for_index(ctx->label, ctx->index, db);
    describe_band_slider(GTK_WIDGET(range), hz, db);
    return;
  }
  ctx->tone->prepare_burst(hz, db);
  update_label_for_index(ctx->label, ctx->index, db);
  gtk_window_set_title(GTK_WINDOW(ctx->window), band_title(hz, db, ears.levels.ear).c_str());
  ctx->tone->commit_burst(hz, db);
  ears.titledBand = ctx->index;
  ears.levels.current().attenuationDb[ctx->index] = db;
  ears.levels.current().set[ctx->index] = true;
  describe_band_slider(GTK_WIDGET(range), hz, db);
  // Show the cleared history and the new captions now, not at the next tick.
  if (ctx->waveform_area != nullptr) gtk_widget_queue_draw(ctx->waveform_area);
}

// The wheel works on the attenuation: up is 1 dB louder, down 1 dB softer,
// whatever the size of a smooth-scroll delta.
gboolean on_slider_scroll_event(GtkWidget* widget, GdkEventScroll* event, gpointer) {
  GtkRange* range = GTK_RANGE(widget);
  const double value = gtk_range_get_value(range);
  double new_value = value;
  switch (event->direction) {
    case GDK_SCROLL_UP:
      new_value = value - 1;
      break;
    case GDK_SCROLL_DOWN:
      new_value = value + 1;
      break;
    case GDK_SCROLL_SMOOTH: {
      double dx = 0.0, dy = 0.0;
      gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(event), &dx, &dy);
      if (dy < 0) {
        new_value = value - 1;
      } else if (dy > 0) {
        new_value = value + 1;
      } else {
        return FALSE;  // sideways only: leave it to the toolkit
      }
      break;
    }
    default:
      return FALSE;
  }
  if (new_value < 0) new_value = 0;
  if (new_value > maxAttenuationDb) new_value = maxAttenuationDb;
  // Setting a new value emits "value-changed", which arms the burst.
  if (new_value != value) gtk_range_set_value(range, new_value);
  return TRUE;
}

}  // namespace sonavel
