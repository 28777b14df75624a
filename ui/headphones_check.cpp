#include "ui/headphones_check.h"

#include <algorithm>

namespace sonavel {

namespace {

constexpr const char* checkTitle = "Check Headphones";

// Plays the round's burst and asks what was heard.
void ask(HeadphonesCheck& check) {
  const Ear side =
      std::uniform_int_distribution<int>(0, 1)(check.random) == 0 ? Ear::Left : Ear::Right;
  check.played[check.round] = side;
  check.play(side);
  GtkWidget* question = gtk_message_dialog_new(
      GTK_WINDOW(check.window),
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "Which side did you hear?");
  gtk_message_dialog_format_secondary_text(
      GTK_MESSAGE_DIALOG(question),
      "Tone %d of 3: a 1000 Hz tone for three seconds. Answer when it has ended.", check.round + 1);
  gtk_dialog_add_buttons(GTK_DIALOG(question), "_Left", static_cast<int>(Heard::Left), "_Right",
                         static_cast<int>(Heard::Right), "_Both", static_cast<int>(Heard::Both),
                         "_Nothing", static_cast<int>(Heard::Nothing), nullptr);
  const std::string title = std::string(checkTitle) + " - tone " + std::to_string(check.round + 1);
  gtk_window_set_title(GTK_WINDOW(question), title.c_str());
  g_signal_connect(question, "response", G_CALLBACK(on_headphones_answer), &check);
  gtk_widget_show_all(question);
}

// Says what the check found; the dialog's title says it too.
void tell(HeadphonesCheck& check) {
  const std::string finding = headphones_finding(check.played, check.heard);
  GtkWidget* dialog = gtk_message_dialog_new(
      GTK_WINDOW(check.window),
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_INFO, GTK_BUTTONS_CLOSE, "%s", finding.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), (std::string("Headphones: ") + finding).c_str());
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show_all(dialog);
}

}  // namespace

std::string headphones_finding(const std::array<Ear, 3>& played,
                               const std::array<Heard, 3>& heard) {
  auto all = [&](auto rule) {
    for (std::size_t i = 0; i < played.size(); ++i) {
      if (!rule(played[i], heard[i])) return false;
    }
    return true;
  };
  const auto as_played = [](Ear p, Heard h) {
    return (p == Ear::Left) == (h == Heard::Left) && (h == Heard::Left || h == Heard::Right);
  };
  const auto opposite = [](Ear p, Heard h) {
    return (p == Ear::Left) == (h == Heard::Right) && (h == Heard::Left || h == Heard::Right);
  };
  if (all(as_played)) return "Left and right are as labelled";
  if (all(opposite)) return "Left and right are swapped: turn the headphones round";
  if (all([](Ear, Heard h) { return h == Heard::Both; })) {
    return "The sound reaches both ears: the output is mono, or the headset mixes the sides";
  }
  if (all([](Ear, Heard h) { return h == Heard::Nothing; })) {
    return "Nothing was heard: check the volume and the output device";
  }
  return "The answers do not agree: check the headphones again";
}

GtkWidget* add_headphones_check(GtkWidget* box, HeadphonesCheck* check) {
  GtkWidget* button = gtk_button_new_with_mnemonic("Check _headphones\u2026");
  gtk_box_pack_end(GTK_BOX(box), button, FALSE, FALSE, 0);
  g_signal_connect_data(
      button, "clicked", G_CALLBACK(on_check_headphones_clicked), check,
      [](gpointer data, GClosure*) { delete static_cast<HeadphonesCheck*>(data); },
      GConnectFlags{});
  return button;
}

void on_check_headphones_clicked(GtkButton*, gpointer data) {
  auto& check = *static_cast<HeadphonesCheck*>(data);
  check.round = 0;
  ask(check);
}

void on_headphones_answer(GtkDialog* question, gint response, gpointer data) {
  auto& check = *static_cast<HeadphonesCheck*>(data);
  gtk_widget_destroy(GTK_WIDGET(question));
  if (response < static_cast<int>(Heard::Left) || response > static_cast<int>(Heard::Nothing)) {
    check.done();  // closed without an answer: the check ends
    return;
  }
  check.heard[check.round] = static_cast<Heard>(response);
  if (++check.round < 3) {
    ask(check);
    return;
  }
  check.done();
  tell(check);
}

}  // namespace sonavel
