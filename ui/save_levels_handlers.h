// Save Levels: Ctrl+S in the window, and a context menu (a right click on
// the waveform view, or the Menu key or Shift+F10 in the window) whose one
// item opens the toolkit's native file chooser. The chosen file is written
// as a table or an audiogram, by its extension or else the chosen type,
// whose extension the name then gets; a file that name would replace is
// asked about first. A failure is told in a dialog that names the file and
// the reason. Nothing here plays a sound, moves a slider or takes the
// keyboard from the band sliders. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "engine/glib_owners.h"
#include "report/band_levels.h"
#include "report/report_file.h"

namespace sonavel {

// Owned by the connections that open the chooser; the chooser, while it is
// open, holds a reference of its own.
struct SaveLevelsContext {
  GtkWidget* window;
  std::shared_ptr<const BandLevels> levels;
  const char* programName;                   // in the audiogram's title
  GObjectRef<GtkFileChooserNative> chooser;  // while open
};

// One save on its way: the file to write, as a type, and the name typed.
struct PendingSave {
  SaveLevelsContext* ctx;
  std::string path;
  std::string typed;
  ReportType type;
};

// Connects Ctrl+S on window and the context menu on waveform_area.
void connect_save_levels(GtkWidget* window, GtkWidget* waveform_area,
                         std::shared_ptr<const BandLevels> levels, const char* program_name);

// Opens the chooser (once: a second request while it is open does nothing).
void on_save_levels_activate(GtkWidget* widget, gpointer data);
gboolean on_waveform_area_button_press_event(GtkWidget* widget, GdkEventButton* event,
                                             gpointer menu);
gboolean on_window_popup_menu(GtkWidget* window, gpointer menu);
void on_save_levels_chooser_response(GtkNativeDialog* chooser, gint response, gpointer data);
// The answer to whether an existing file may be replaced; data is the question's PendingSave.
void on_replace_question_response(GtkDialog* question, gint response, gpointer data);

}  // namespace sonavel
