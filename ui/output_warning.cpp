#include "ui/output_warning.h"

#include "ui/main_window.h"

namespace sonavel {

void add_output_warning(GtkWidget* box, MainWindow& w) {
  w.output_warning = gtk_label_new(nullptr);
  gtk_label_set_line_wrap(GTK_LABEL(w.output_warning), TRUE);
  gtk_label_set_xalign(GTK_LABEL(w.output_warning), 0);
  gtk_widget_set_no_show_all(w.output_warning, TRUE);  // shown only when it applies
  gtk_box_pack_start(GTK_BOX(box), w.output_warning, FALSE, FALSE, 0);
}

void show_output_warning(const MainWindow& w, const std::string& text) {
  if (w.output_warning == nullptr) return;
  gtk_label_set_text(GTK_LABEL(w.output_warning), text.c_str());
  gtk_widget_set_visible(w.output_warning, !text.empty());
}

}  // namespace sonavel
