#include "ui/main_window.h"

#include <cstdio>

#include "monitor/tone_link.h"
#include "report/band_levels.h"
#include "ui/band_slider_handlers.h"
#include "ui/ear_choice.h"
#include "ui/output_warning.h"
#include "ui/save_levels_handlers.h"
#include "ui/slider_accessibility.h"
#include "ui/spoken_scale.h"
#include "ui/time_window_handler.h"
#include "ui/waveform_draw_handler.h"
#include "ui/window_destroy_handler.h"

namespace sonavel {

namespace {

// Connects a handler whose context the connection owns and deletes.
template <typename Context>
void connect_owned(GtkWidget* widget, const char* signal, GCallback handler, Context* ctx) {
  g_signal_connect_data(
      widget, signal, handler, ctx,
      [](gpointer data, GClosure*) { delete static_cast<Context*>(data); }, GConnectFlags{});
}

GtkWidget* make_band_slider() {
  GtkWidget* slider = spoken_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0.0,
                                                  static_cast<double>(maxAttenuationDb), 1.0);
  // Set before the handlers are connected, so construction arms no burst.
  gtk_range_set_value(GTK_RANGE(slider), initialAttenuationDb);
  gtk_widget_set_size_request(slider, 12, 420);
  gtk_widget_set_hexpand(slider, FALSE);
  gtk_widget_set_vexpand(slider, TRUE);
  gtk_scale_set_draw_value(GTK_SCALE(slider), FALSE);
  gtk_range_set_inverted(GTK_RANGE(slider), TRUE);  // 120 at the top
  gtk_widget_add_events(slider, GDK_SCROLL_MASK);
  return slider;
}

// The strip of band columns, each a label over its slider, scrolling sideways.
void add_band_strip(GtkWidget* outer_box, MainWindow& w, const ProgramChoices& choices,
                    const std::shared_ptr<ToneLink>& tone,
                    const std::shared_ptr<EarChoice>& choice) {
  GtkWidget* scrolled_window = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled_window), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_NEVER);
  // The horizontal scrollbar takes its own room instead of covering sliders.
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scrolled_window), FALSE);
  gtk_widget_set_hexpand(scrolled_window, TRUE);
  gtk_widget_set_vexpand(scrolled_window, TRUE);
  gtk_box_pack_start(GTK_BOX(outer_box), scrolled_window, TRUE, TRUE, 0);

  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(grid), 4);
  gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
  gtk_widget_set_margin_start(grid, 4);
  gtk_widget_set_margin_end(grid, 4);
  gtk_widget_set_margin_top(grid, 4);
  gtk_widget_set_margin_bottom(grid, 4);
  gtk_container_add(GTK_CONTAINER(scrolled_window), grid);

  for (int i = 0; i < static_cast<int>(bandCount); ++i) {
    GtkWidget* slider = make_band_slider();
    char label_text[64];
    std::snprintf(label_text, sizeof label_text, "%d\n-%d dB", bands[i], initialAttenuationDb);
    GtkWidget* label = gtk_label_new(label_text);
    gtk_widget_set_halign(label, GTK_ALIGN_CENTER);
    w.labels[i] = label;
    w.sliders[i] = slider;
    describe_band_slider(slider, bands[i], initialAttenuationDb);
    gtk_grid_attach(GTK_GRID(grid), label, i, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), slider, i, 1, 1, 1);
    connect_owned(
        slider, "value-changed", G_CALLBACK(on_slider_value_changed),
        new BandSliderContext{i, label, w.window, w.waveform_area, choices, tone, choice});
    g_signal_connect(slider, "scroll-event", G_CALLBACK(on_slider_scroll_event),
                     GINT_TO_POINTER(i));
  }
}

// The framed row under the strip: the waveform view and its time window.
void add_waveform_row(GtkWidget* outer_box, MainWindow& w, const ProgramChoices& choices,
                      const std::shared_ptr<ToneLink>& tone) {
  GtkWidget* waveform_area = w.waveform_area;
  GtkWidget* waveform_frame = gtk_frame_new(nullptr);
  gtk_widget_set_hexpand(waveform_frame, TRUE);
  gtk_widget_set_vexpand(waveform_frame, FALSE);
  gtk_widget_set_size_request(waveform_frame, -1, 380);
  gtk_box_pack_start(GTK_BOX(outer_box), waveform_frame, FALSE, TRUE, 0);

  GtkWidget* waveform_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_container_add(GTK_CONTAINER(waveform_frame), waveform_box);

  gtk_widget_set_hexpand(waveform_area, TRUE);
  gtk_widget_set_vexpand(waveform_area, TRUE);
  gtk_widget_set_size_request(waveform_area, -1, 360);
  gtk_box_pack_start(GTK_BOX(waveform_box), waveform_area, TRUE, TRUE, 6);
  atk_object_set_name(gtk_widget_get_accessible(waveform_area), "Waveform monitor");
  connect_owned(waveform_area, "draw", G_CALLBACK(on_waveform_draw),
                new WaveformViewContext(tone, choices));

  GtkWidget* time_window_slider =
      spoken_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0.1, 2.0, 0.1);
  w.time_window_slider = time_window_slider;
  if (choices.setTimeWindowIncrements) {
    gtk_range_set_increments(GTK_RANGE(time_window_slider), 0.1, 0.1);
  }
  gtk_range_set_value(GTK_RANGE(time_window_slider), initialTimeWindowSec);
  describe_time_window_slider(time_window_slider, initialTimeWindowSec);
  gtk_range_set_inverted(GTK_RANGE(time_window_slider), TRUE);
  gtk_scale_set_draw_value(GTK_SCALE(time_window_slider), TRUE);
  gtk_widget_set_size_request(time_window_slider, 36, 360);
  gtk_box_pack_start(GTK_BOX(waveform_box), time_window_slider, FALSE, FALSE, 6);
  connect_owned(time_window_slider, "value-changed", G_CALLBACK(on_time_window_slider_changed),
                new TimeWindowContext{tone, waveform_area});
}

}  // namespace

MainWindow build_main_window(GtkApplication* app, const ProgramChoices& choices,
                             std::shared_ptr<ToneLink> tone) {
  MainWindow w;
  w.window = choices.applicationWindow ? gtk_application_window_new(app)
                                       : gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(w.window), creditTitle);
  gtk_container_set_border_width(GTK_CONTAINER(w.window), 6);
  gtk_window_set_default_size(GTK_WINDOW(w.window), 980, 900);
  if (choices.destroyEndsMainLoop) {
    g_signal_connect(w.window, "destroy", G_CALLBACK(on_window_destroy), nullptr);
  }

  GtkWidget* outer_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_add(GTK_CONTAINER(w.window), outer_box);

  // The area exists before the band handlers are connected, so each of them
  // can hold it; it is packed into the waveform row below.
  GtkWidget* waveform_area = gtk_drawing_area_new();
  w.waveform_area = waveform_area;
  auto choice = std::make_shared<EarChoice>();
  for (BandLevels& levels : choice->levels.byEar) levels.attenuationDb.fill(initialAttenuationDb);

  add_band_strip(outer_box, w, choices, tone, choice);
  add_waveform_row(outer_box, w, choices, tone);
  if (choices.earChoice) {
    add_ear_choice(outer_box, w, choice);
    add_output_warning(outer_box, w);
  }
  w.check = std::shared_ptr<CheckLevels>(choice, &choice->levels);
  connect_save_levels(w.window, waveform_area, std::shared_ptr<const CheckLevels>(w.check),
                      choices.programName);
  return w;
}

}  // namespace sonavel
