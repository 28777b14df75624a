// Save Levels: Ctrl+S in the window, and a context menu on the waveform view
// (a right click, or the Menu key or Shift+F10 while the view has focus)
// whose one item opens the toolkit's native file chooser. The chosen file is
// written as a table or an audiogram, by its extension or the chosen type; a
// failure is told in a dialog that names the file and the reason. Nothing
// here plays a sound or moves a slider. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "audio/c_owners.h"
#include "report/band_levels.h"

namespace sonavel {

// Owned by the connections that open the chooser; the chooser, while it is
// open, holds a reference of its own.
struct SaveLevelsContext {
  GtkWidget* window;
  std::shared_ptr<const BandLevels> levels;
  const char* programName;                   // in the audiogram's title
  GObjectRef<GtkFileChooserNative> chooser;  // while open
};

// Connects Ctrl+S on window and the context menu on waveform_area.
void connect_save_levels(GtkWidget* window, GtkWidget* waveform_area,
                         std::shared_ptr<const BandLevels> levels, const char* program_name);

// Opens the chooser (once: a second request while it is open does nothing).
void on_save_levels_activate(GtkWidget* widget, gpointer data);
gboolean on_waveform_area_button_press_event(GtkWidget* widget, GdkEventButton* event,
                                             gpointer menu);
gboolean on_waveform_area_popup_menu(GtkWidget* widget, gpointer menu);
void on_save_levels_chooser_response(GtkNativeDialog* chooser, gint response, gpointer data);

}  // namespace sonavel
