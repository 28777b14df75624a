#include "app/output_record.h"

#include "audio/device_format_output.h"
#include "audio/output_observer.h"
#include "ui/output_warning.h"

namespace sonavel {

namespace {

constexpr guint recordIntervalMs = 250;

struct OutputRecord {
  MainWindow window;
  std::shared_ptr<CheckLevels> check;
  OutputObserver observer;
};

}  // namespace

gboolean on_output_record_tick(gpointer data) {
  auto& r = *static_cast<OutputRecord*>(data);
  r.observer.keep_connected();
  const std::optional<OutputFacts>& now = r.observer.facts();
  if (!now) return G_SOURCE_CONTINUE;  // nothing known: nothing to compare
  CheckLevels& check = *r.check;
  if (!check.any_set() || !check.output) {
    check.output = *now;
    return G_SOURCE_CONTINUE;
  }
  // Once told, a change stays told: levels were set on both sides of it.
  const std::string warning = output_change_warning(*check.output, *now);
  if (warning.empty() || warning == check.outputWarning) return G_SOURCE_CONTINUE;
  check.outputWarning = warning;
  show_output_warning(r.window, warning);
  return G_SOURCE_CONTINUE;
}

void record_output(const MainWindow& window, std::shared_ptr<OutputSlot> slot) {
  auto* record = new OutputRecord{
      window, window.check, OutputObserver([slot] {
        const auto* device = dynamic_cast<const DeviceFormatOutput*>(slot->output.get());
        return device != nullptr ? device->stream_index() : PA_INVALID_INDEX;
      })};
  const guint source =
      g_timeout_add_full(G_PRIORITY_DEFAULT, recordIntervalMs, on_output_record_tick, record,
                         [](gpointer data) { delete static_cast<OutputRecord*>(data); });
  remove_with(window.waveform_area, source);
}

}  // namespace sonavel
