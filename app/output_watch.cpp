#include "app/output_watch.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "engine/glib_owners.h"

namespace sonavel {

namespace {

constexpr guint watchIntervalMs = 250;
// A server that is down is asked again at most this often.
constexpr std::chrono::seconds attemptInterval{1};

// One connection attempt, shared by its thread and the watch: the thread
// sets output (or leaves it empty) and then done.
struct Attempt {
  std::atomic<bool> done{false};
  std::shared_ptr<OutputStream> output;
};

struct OutputWatch {
  GObjectRef<GtkWidget> area;
  std::shared_ptr<ToneLink> link;
  std::shared_ptr<OutputSlot> slot;
  Reconnect reconnect;
  std::shared_ptr<Attempt> attempt;  // under way
  std::chrono::steady_clock::time_point lastAttempt{};
  std::uint64_t cutSeen = 0;
};

// Takes up a finished attempt, and starts one while the output is silenced
// and none is under way. The attempt's thread holds what it uses, so the
// watch may go while it runs.
void keep_connected(OutputWatch& w) {
  if (w.attempt && w.attempt->done.load(std::memory_order_acquire)) {
    if (w.attempt->output) w.slot->output = std::move(w.attempt->output);
    w.attempt.reset();
  }
  if (!w.reconnect || w.attempt) return;
  const auto now = std::chrono::steady_clock::now();
  const bool lost = w.slot->output->silenced();
  if (!w.slot->renew && !(lost && now - w.lastAttempt >= attemptInterval)) return;
  w.slot->renew = false;
  w.lastAttempt = now;
  w.attempt = std::make_shared<Attempt>();
  std::thread([attempt = w.attempt, reconnect = w.reconnect, lost] {
    attempt->output = reconnect(lost);
    attempt->done.store(true, std::memory_order_release);
  }).detach();
}

// The view's notice as the output's state has it: while nothing can sound,
// why; after a cut, that the tone was cut, until the next band change.
void tell(OutputWatch& w) {
  const OutputStream& out = *w.slot->output;
  const std::string before = w.link->output_notice();
  const char* silent_notice = w.reconnect ? serverUnreachableNotice : outputStalledNotice;
  if (out.silenced()) {
    if (before != silent_notice) w.link->set_output_notice(silent_notice, false);
  } else if (before == silent_notice) {
    w.link->set_output_notice({}, false);
  }
  const std::uint64_t cut = out.bursts_cut();
  if (cut != w.cutSeen && !out.silenced()) w.link->set_output_notice(burstCutNotice, true);
  w.cutSeen = cut;
  if (w.link->output_notice() != before) gtk_widget_queue_draw(w.area.get());
}

}  // namespace

gboolean on_output_watch_tick(gpointer data) {
  auto& w = *static_cast<OutputWatch*>(data);
  keep_connected(w);
  tell(w);
  return G_SOURCE_CONTINUE;
}

void watch_output(GtkWidget* waveform_area, std::shared_ptr<ToneLink> link,
                  std::shared_ptr<OutputSlot> slot, Reconnect reconnect) {
  const std::uint64_t cut = slot->output->bursts_cut();
  auto* watch = new OutputWatch{
      ref(waveform_area), std::move(link), std::move(slot), std::move(reconnect), {}, {}, cut};
  const guint source =
      g_timeout_add_full(G_PRIORITY_DEFAULT, watchIntervalMs, on_output_watch_tick, watch,
                         [](gpointer data) { delete static_cast<OutputWatch*>(data); });
  remove_with(waveform_area, source);  // the watch goes with the view
}

void remove_with(GtkWidget* widget, guint source) {
  g_signal_connect_data(widget, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer id) {
                          g_source_remove(GPOINTER_TO_UINT(id));
                        }),
                        GUINT_TO_POINTER(source), nullptr, GConnectFlags{});
}

}  // namespace sonavel
