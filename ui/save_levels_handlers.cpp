#include "ui/save_levels_handlers.h"

#include <sys/stat.h>

#include <string>

#include "report/report_file.h"

namespace sonavel {

namespace {

// "sonavel-levels-2026-12-07.csv", today as the machine's clock has it.
std::string suggested_name() {
  const GDateTimeOwner now(g_date_time_new_now_local());
  const GCharOwner date(g_date_time_format(now.get(), "%Y-%m-%d"));
  return std::string("sonavel-levels-") + date.get() + ".csv";
}

// "Levels from sonavel, 2026-12-07 17:45".
std::string audiogram_title(const char* program_name) {
  const GDateTimeOwner now(g_date_time_new_now_local());
  const GCharOwner when(g_date_time_format(now.get(), "%Y-%m-%d %H:%M"));
  return std::string("Levels from ") + program_name + ", " + when.get();
}

void add_filter(GtkFileChooser* chooser, const char* name, const char* pattern, ReportType type) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name);
  gtk_file_filter_add_pattern(filter, pattern);
  g_object_set_data(G_OBJECT(filter), "sonavel-report-type",
                    GINT_TO_POINTER(static_cast<int>(type) + 1));
  gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the reference
}

// A dialog with one Close button: the levels could not be saved (an error),
// or were saved with something the person should know (a warning).
void tell(GtkWidget* window, GtkMessageType kind, const char* headline, const std::string& path,
          const std::string& reason) {
  GtkWidget* dialog = gtk_message_dialog_new(
      GTK_WINDOW(window),
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), kind,
      GTK_BUTTONS_CLOSE, "%s", headline);
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s: %s", path.c_str(),
                                           reason.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), "Save Levels");
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show_all(dialog);
}

// Writes the file, records it among the desktop's recent files in place of
// a name typed without its extension, or tells why it could not be saved.
void write_levels(const PendingSave& save) {
  SaveLevelsContext& ctx = *save.ctx;
  std::string warning;
  const std::string error =
      save_levels(save.path, save.type, *ctx.levels, audiogram_title(ctx.programName), &warning);
  if (!error.empty()) {
    tell(ctx.window, GTK_MESSAGE_ERROR, "The levels could not be saved", save.path, error);
    return;
  }
  if (!warning.empty()) {
    tell(ctx.window, GTK_MESSAGE_WARNING, "The levels were saved", save.path, warning);
  }
  GtkRecentManager* recent = gtk_recent_manager_get_default();
  if (save.typed != save.path && !g_file_test(save.typed.c_str(), G_FILE_TEST_EXISTS)) {
    const GCharOwner typed(g_filename_to_uri(save.typed.c_str(), nullptr, nullptr));
    if (typed) gtk_recent_manager_remove_item(recent, typed.get(), nullptr);
  }
  const GCharOwner written(g_filename_to_uri(save.path.c_str(), nullptr, nullptr));
  if (written) gtk_recent_manager_add_item(recent, written.get());
}

// Asks whether the existing file the save would write may be replaced; the
// question owns the save, which goes with it.
void ask_to_replace(PendingSave save, const ReplaceQuestion& words) {
  GtkWidget* question = gtk_message_dialog_new(
      GTK_WINDOW(save.ctx->window),
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s", words.headline.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(question), "%s",
                                           words.detail.c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(question), "_Cancel", GTK_RESPONSE_CANCEL, "_Replace",
                         GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(question), GTK_RESPONSE_CANCEL);
  gtk_window_set_title(GTK_WINDOW(question), "Save Levels");
  g_signal_connect_data(
      question, "response", G_CALLBACK(on_replace_question_response),
      new PendingSave(std::move(save)),
      [](gpointer data, GClosure*) { delete static_cast<PendingSave*>(data); }, GConnectFlags{});
  gtk_widget_show_all(question);
}

// Writes the save, after asking first when it would replace a file.
void write_or_ask(PendingSave save) {
  if (const std::optional<ReplaceQuestion> words = replace_question(save.path)) {
    ask_to_replace(std::move(save), *words);
  } else {
    write_levels(save);
  }
}

gboolean on_save_levels_accel(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  on_save_levels_activate(nullptr, data);
  return TRUE;
}

void pop_up(GtkWidget* menu, GtkWidget* area, const GdkEvent* event) {
  if (event != nullptr) {
    gtk_menu_popup_at_pointer(GTK_MENU(menu), event);
  } else {
    gtk_menu_popup_at_widget(GTK_MENU(menu), area, GDK_GRAVITY_CENTER, GDK_GRAVITY_NORTH_WEST,
                             nullptr);
    gtk_menu_shell_select_first(GTK_MENU_SHELL(menu), FALSE);
  }
}

}  // namespace

std::optional<ReplaceQuestion> replace_question(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  const GCharOwner name(g_path_get_basename(path.c_str()));
  const GCharOwner folder(g_path_get_dirname(path.c_str()));
  // A file nobody may write is the user's own word that it stays as it is,
  // whatever the user's privileges: asked about again, naming that.
  if ((st.st_mode & 0222) == 0) {
    return ReplaceQuestion{
        std::string("\u201c") + name.get() +
            "\u201d is read-only. Do you want to replace it anyway?",
        std::string("The file in \u201c") + folder.get() +
            "\u201d is marked read-only. Replacing it will overwrite its contents."};
  }
  return ReplaceQuestion{std::string("A file named \u201c") + name.get() +
                             "\u201d already exists. Do you want to replace it?",
                         std::string("The file already exists in \u201c") + folder.get() +
                             "\u201d. Replacing it will overwrite its contents."};
}

void connect_save_levels(GtkWidget* window, GtkWidget* waveform_area,
                         std::shared_ptr<const CheckLevels> levels, const char* program_name) {
  auto* ctx = new SaveLevelsContext{window, std::move(levels), program_name, {}};
  // The accelerator's closure owns the context; the menu item only uses it,
  // and goes with the window too.
  const auto accels = adopt(gtk_accel_group_new());
  gtk_accel_group_connect(
      accels.get(), GDK_KEY_s, GDK_CONTROL_MASK, GtkAccelFlags{},
      g_cclosure_new(G_CALLBACK(on_save_levels_accel), ctx, [](gpointer data, GClosure*) {
        delete static_cast<SaveLevelsContext*>(data);
      }));
  gtk_window_add_accel_group(GTK_WINDOW(window), accels.get());  // the window keeps its own

  GtkWidget* menu = gtk_menu_new();
  GtkWidget* item = gtk_menu_item_new_with_label("Save Levels\u2026");
  g_signal_connect(item, "activate", G_CALLBACK(on_save_levels_activate), ctx);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  gtk_widget_show_all(menu);
  gtk_menu_attach_to_widget(GTK_MENU(menu), waveform_area, nullptr);  // dies with the view

  // The view never takes the keyboard: a click on it leaves the keys on the
  // band being tested. The Menu key and Shift+F10 reach the window from any
  // widget that has no menu of its own.
  gtk_widget_add_events(waveform_area, GDK_BUTTON_PRESS_MASK);
  g_signal_connect(waveform_area, "button-press-event",
                   G_CALLBACK(on_waveform_area_button_press_event), menu);
  g_signal_connect(window, "popup-menu", G_CALLBACK(on_window_popup_menu), menu);
}

gboolean on_waveform_area_button_press_event(GtkWidget* widget, GdkEventButton* event,
                                             gpointer menu) {
  if (!gdk_event_triggers_context_menu(reinterpret_cast<GdkEvent*>(event))) return FALSE;
  pop_up(GTK_WIDGET(menu), widget, reinterpret_cast<GdkEvent*>(event));
  return TRUE;
}

gboolean on_window_popup_menu(GtkWidget*, gpointer menu) {
  pop_up(GTK_WIDGET(menu), gtk_menu_get_attach_widget(GTK_MENU(menu)), nullptr);
  return TRUE;
}

void on_save_levels_activate(GtkWidget*, gpointer data) {
  auto* ctx = static_cast<SaveLevelsContext*>(data);
  if (ctx->chooser) return;  // already open
  ctx->chooser = adopt(gtk_file_chooser_native_new(
      "Save Levels", GTK_WINDOW(ctx->window), GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", "_Cancel"));
  auto* chooser = GTK_FILE_CHOOSER(ctx->chooser.get());
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  // The file written can be another than the one named (an extension is
  // added), so the question about replacing it is asked here, not by the
  // chooser, and only about the file that will be written.
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  add_filter(chooser, "CSV table (*.csv)", "*.csv", ReportType::Csv);
  add_filter(chooser, "SVG audiogram (*.svg)", "*.svg", ReportType::Svg);
  add_filter(chooser, "PNG audiogram (*.png)", "*.png", ReportType::Png);
  add_filter(chooser, "PDF audiogram (*.pdf)", "*.pdf", ReportType::Pdf);
  gtk_file_chooser_set_current_name(chooser, suggested_name().c_str());
  g_signal_connect(chooser, "response", G_CALLBACK(on_save_levels_chooser_response), ctx);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

void on_save_levels_chooser_response(GtkNativeDialog* dialog, gint response, gpointer data) {
  auto* ctx = static_cast<SaveLevelsContext*>(data);
  // The chooser goes when this handler returns.
  const GObjectRef<GtkFileChooserNative> chooser = std::move(ctx->chooser);
  if (response != GTK_RESPONSE_ACCEPT) return;
  const GCharOwner file(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
  if (!file) {
    const GCharOwner uri(gtk_file_chooser_get_uri(GTK_FILE_CHOOSER(dialog)));
    tell(ctx->window, GTK_MESSAGE_ERROR, "The levels could not be saved",
         uri ? uri.get() : "The chosen place",
         "Only a file on this computer can be written; choose a local folder");
    return;
  }
  // The type the name's extension gives, or else the chosen filter's, whose
  // extension the name then gets.
  PendingSave save{ctx, file.get(), file.get(), ReportType::Csv};
  if (const std::optional<ReportType> type = report_type_of(save.path)) {
    save.type = *type;
  } else {
    GtkFileFilter* filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
    const int chosen =
        filter ? GPOINTER_TO_INT(g_object_get_data(G_OBJECT(filter), "sonavel-report-type")) : 0;
    if (chosen > 0) save.type = static_cast<ReportType>(chosen - 1);
    save.path += report_extension(save.type);
  }
  write_or_ask(std::move(save));
}

void on_replace_question_response(GtkDialog* question, gint response, gpointer data) {
  if (response == GTK_RESPONSE_ACCEPT) write_levels(*static_cast<PendingSave*>(data));
  gtk_widget_destroy(GTK_WIDGET(question));  // and with it the save
}

}  // namespace sonavel
