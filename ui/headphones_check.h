// "Check headphones": proves the routing before a check. Three times it plays
// the burst at 1000 Hz and -40 dB to a side chosen at random and asks which
// side the person heard (Left, Right, Both, Nothing), then says what it
// found: left and right as labelled, swapped, reaching both ears (a mono
// output or a headset that mixes), or nothing heard. Software cannot see a
// swapped cable or a mono mix; only the listener can. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <random>
#include <string>

#include "engine/ear.h"

namespace sonavel {

// What the person answered to one burst.
enum class Heard { Left, Right, Both, Nothing };

// What three answers to bursts played at sides show, in plain words.
std::string headphones_finding(const std::array<Ear, 3>& played, const std::array<Heard, 3>& heard);

// play(side) plays the check's burst at that side; done() puts the output
// back to the ear the window has chosen.
struct HeadphonesCheck {
  GtkWidget* window;
  std::function<void(Ear)> play;
  std::function<void()> done;
  std::mt19937 random{std::random_device{}()};
  // The check under way.
  int round = 0;
  std::array<Ear, 3> played{};
  std::array<Heard, 3> heard{};
};

// A "Check headphones" button in box that runs the check; the check is owned
// by the button's connection.
GtkWidget* add_headphones_check(GtkWidget* box, HeadphonesCheck* check);

void on_check_headphones_clicked(GtkButton* button, gpointer data);
void on_headphones_answer(GtkDialog* question, gint response, gpointer data);

}  // namespace sonavel
