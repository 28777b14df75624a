#include "ui/ear_choice.h"

#include <cstdio>

#include "engine/glib_owners.h"
#include "ui/main_window.h"
#include "ui/slider_accessibility.h"

namespace sonavel {

namespace {

constexpr const char* oneChannelReason = "The output device has one channel";

// What a button's handler needs: its ear, the window's handles and the choice.
struct EarButtonContext {
  Ear ear;
  MainWindow window;
  std::shared_ptr<EarChoice> choice;
};

gboolean on_ear_accel(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer button) {
  if (gtk_widget_is_sensitive(GTK_WIDGET(button))) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  }
  return TRUE;
}

}  // namespace

std::string band_title(int hz, int db, Ear ear) {
  char title[128];
  std::snprintf(title, sizeof title, "Sonavel - %d Hz @ -%d dB", hz, db);
  return ear == Ear::Both ? std::string(title) : std::string(title) + " - " + ear_name(ear);
}

void on_ear_button_toggled(GtkToggleButton* button, gpointer data) {
  const auto* ctx = static_cast<const EarButtonContext*>(data);
  EarChoice& choice = *ctx->choice;
  if (!gtk_toggle_button_get_active(button)) {
    // The chosen ear stays pressed until another is chosen.
    if (choice.levels.ear == ctx->ear) gtk_toggle_button_set_active(button, TRUE);
    return;
  }
  if (choice.levels.ear == ctx->ear) return;
  choice.levels.ear = ctx->ear;
  for (std::size_t i = 0; i < ears.size(); ++i) {
    if (ears[i] != ctx->ear) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ctx->window.ear_buttons[i]), FALSE);
    }
  }
  const BandLevels& levels = choice.levels.current();
  // The sliders show the ear's levels; their handler plays nothing meanwhile.
  choice.showingEar = true;
  for (std::size_t i = 0; i < bandCount; ++i) {
    gtk_range_set_value(GTK_RANGE(ctx->window.sliders[i]), levels.attenuationDb[i]);
  }
  choice.showingEar = false;
  if (choice.titledBand >= 0) {
    const int band = choice.titledBand;
    gtk_window_set_title(GTK_WINDOW(ctx->window.window),
                         band_title(bands[band], levels.attenuationDb[band], ctx->ear).c_str());
  }
}

void add_ear_choice(GtkWidget* box, MainWindow& w, std::shared_ptr<EarChoice> choice) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  w.ear_row = row;
  gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
  GtkWidget* heading = gtk_label_new("Ear:");
  gtk_box_pack_start(GTK_BOX(row), heading, FALSE, FALSE, 0);
  const char* names[] = {"_Both ears", "_Left ear", "_Right ear"};
  const guint keys[] = {GDK_KEY_b, GDK_KEY_l, GDK_KEY_r};
  const auto accels = adopt(gtk_accel_group_new());
  for (std::size_t i = 0; i < ears.size(); ++i) {
    // Toggle buttons kept to one pressed, which a screen reader meets as
    // radio buttons: a radio button's indicator is an SVG image, and loading
    // an SVG renderer for it would cost every start several megabytes.
    GtkWidget* button = gtk_toggle_button_new_with_mnemonic(names[i]);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), ears[i] == Ear::Both);
    atk_object_set_role(gtk_widget_get_accessible(button), ATK_ROLE_RADIO_BUTTON);
    w.ear_buttons[i] = button;
    gtk_box_pack_start(GTK_BOX(row), button, FALSE, FALSE, 0);
    gtk_accel_group_connect(accels.get(), keys[i], GDK_CONTROL_MASK, GtkAccelFlags{},
                            g_cclosure_new(G_CALLBACK(on_ear_accel), button, nullptr));
  }
  // Connected once the group is whole, so that building it chooses nothing.
  for (std::size_t i = 0; i < ears.size(); ++i) {
    g_signal_connect_data(
        w.ear_buttons[i], "toggled", G_CALLBACK(on_ear_button_toggled),
        new EarButtonContext{ears[i], w, choice},
        [](gpointer data, GClosure*) { delete static_cast<EarButtonContext*>(data); },
        GConnectFlags{});
  }
  w.ear_reason = gtk_label_new(oneChannelReason);
  gtk_widget_set_no_show_all(w.ear_reason, TRUE);  // shown only when it applies
  gtk_box_pack_start(GTK_BOX(row), w.ear_reason, FALSE, FALSE, 0);
  AtkObject* group = gtk_widget_get_accessible(row);
  atk_object_set_name(group, "Ear");
  atk_object_set_role(group, ATK_ROLE_PANEL);
  gtk_window_add_accel_group(GTK_WINDOW(w.window), accels.get());
}

void offer_sides(const MainWindow& w, bool available) {
  for (std::size_t i = 1; i < ears.size(); ++i) {
    if (w.ear_buttons[i] != nullptr) gtk_widget_set_sensitive(w.ear_buttons[i], available);
  }
  if (w.headphones_button != nullptr) gtk_widget_set_sensitive(w.headphones_button, available);
  if (w.ear_reason == nullptr) return;
  gtk_widget_set_visible(w.ear_reason, !available);
  for (std::size_t i = 1; i < ears.size(); ++i) {
    if (w.ear_buttons[i] == nullptr) continue;
    atk_object_set_description(gtk_widget_get_accessible(w.ear_buttons[i]),
                               available ? "" : oneChannelReason);
  }
}

}  // namespace sonavel
