#include "app/stream_side.h"

namespace sonavel {

void StreamSide::move_to(Ear ear, SharedToneState& tone) {
  end_burst(tone);
  slot->output->stop_and_close();
  wanted.store(ear);
  slot->renew = true;
}

void on_ear_for_stream(GtkToggleButton* button, gpointer data) {
  if (!gtk_toggle_button_get_active(button)) return;
  auto& ctx = *static_cast<EarStreamContext*>(data);
  if (ctx.side->chosen == ctx.ear) return;
  ctx.side->chosen = ctx.ear;
  ctx.side->move_to(ctx.ear, *ctx.tone);
}

}  // namespace sonavel
