#include "ui/refresh_timer.h"

#include "monitor/tone_link.h"

namespace sonavel {

gboolean waveform_tick(gpointer data) {
  const auto* ctx = static_cast<const RefreshTimerContext*>(data);
  GtkWidget* area = ctx->waveform_area.get();
  if (ctx->checksVisibility && !gtk_widget_get_visible(area)) return TRUE;
  if (ctx->tone->picture_changed()) gtk_widget_queue_draw(area);
  return TRUE;  // never ends itself
}

guint add_refresh_timer(const ProgramChoices& choices, GtkWidget* waveform_area,
                        std::shared_ptr<ToneLink> tone, std::shared_ptr<void> keep_alive) {
  auto* ctx = new RefreshTimerContext{ref(waveform_area), std::move(tone),
                                      choices.tickChecksVisibility, std::move(keep_alive)};
  return g_timeout_add_full(G_PRIORITY_DEFAULT, choices.refreshIntervalMs, waveform_tick, ctx,
                            [](gpointer data) { delete static_cast<RefreshTimerContext*>(data); });
}

}  // namespace sonavel
