// Save Levels: Ctrl+S in the window, and a context menu (a right click on
// the waveform view, or the Menu key or Shift+F10 in the window) whose one
// item opens the toolkit's native file chooser. The chosen file is written
// as a table or an audiogram, by its extension or else the chosen type,
// whose extension the name then gets; the file that will be written, if it
// exists, is asked about first (again naming it when it is read-only). A
// failure, or a save that is not yet sure to last, is told in a dialog that
// names the file and the reason. Nothing here plays a sound, moves a slider or takes the
// keyboard from the band sliders. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/glib_owners.h"
#include "report/band_levels.h"
#include "report/report_file.h"

namespace sonavel {

// Owned by the connections that open the chooser; the chooser, while it is
// open, holds a reference of its own.
struct SaveLevelsContext {
  GtkWidget* window;
  std::shared_ptr<const CheckLevels> levels;
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

// The words of the question asked before a file is replaced.
struct ReplaceQuestion {
  std::string headline, detail;
};
// The question to ask before writing path, if a file is there: the usual
// one, or, for a file that nobody may write, one that names it read-only.
std::optional<ReplaceQuestion> replace_question(const std::string& path);

// Connects Ctrl+S on window and the context menu on waveform_area.
void connect_save_levels(GtkWidget* window, GtkWidget* waveform_area,
                         std::shared_ptr<const CheckLevels> levels, const char* program_name);

// Opens the chooser (once: a second request while it is open does nothing).
void on_save_levels_activate(GtkWidget* widget, gpointer data);
gboolean on_waveform_area_button_press_event(GtkWidget* widget, GdkEventButton* event,
                                             gpointer menu);
gboolean on_window_popup_menu(GtkWidget* window, gpointer menu);
void on_save_levels_chooser_response(GtkNativeDialog* chooser, gint response, gpointer data);
// The answer to whether an existing file may be replaced; data is the question's PendingSave.
void on_replace_question_response(GtkDialog* question, gint response, gpointer data);

}  // namespace sonavel
