#include "ui/spoken_scale.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sonavel {

namespace {

constexpr const char* spokenValueKey = "sonavel-spoken-value";

// The scale's accessible: the toolkit's own, but with the value text.
struct SpokenScaleAccessible {
  GtkScaleAccessible parent;
};
struct SpokenScaleAccessibleClass {
  GtkScaleAccessibleClass parent_class;
};

AtkValueIface* toolkitValue = nullptr;

void get_value_and_text(AtkValue* value, gdouble* current, gchar** text) {
  toolkitValue->get_value_and_text(value, current, text);
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(value));
  const auto* spoken =
      widget != nullptr
          ? static_cast<const char*>(g_object_get_data(G_OBJECT(widget), spokenValueKey))
          : nullptr;
  if (spoken != nullptr && text != nullptr) {
    g_free(*text);
    *text = g_strdup(spoken);
  }
}

void spoken_value_init(gpointer g_iface, gpointer) {
  auto* iface = static_cast<AtkValueIface*>(g_iface);
  toolkitValue = static_cast<AtkValueIface*>(g_type_interface_peek_parent(iface));
  iface->get_value_and_text = get_value_and_text;
}

GType spoken_scale_accessible_get_type() {
  static const GType type = [] {
    const GType t =
        g_type_register_static_simple(GTK_TYPE_SCALE_ACCESSIBLE, "SonavelSpokenScaleAccessible",
                                      sizeof(SpokenScaleAccessibleClass), nullptr,
                                      sizeof(SpokenScaleAccessible), nullptr, GTypeFlags{});
    const GInterfaceInfo value_info{spoken_value_init, nullptr, nullptr};
    g_type_add_interface_static(t, ATK_TYPE_VALUE, &value_info);
    return t;
  }();
  return type;
}

// The scale itself: the toolkit's, with the accessible above.
struct SpokenScale {
  GtkScale parent;
};
struct SpokenScaleClass {
  GtkScaleClass parent_class;
};

void spoken_scale_class_init(gpointer klass, gpointer) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), spoken_scale_accessible_get_type());
}

GType spoken_scale_get_type() {
  static const GType type = g_type_register_static_simple(
      GTK_TYPE_SCALE, "SonavelSpokenScale", sizeof(SpokenScaleClass), spoken_scale_class_init,
      sizeof(SpokenScale), nullptr, GTypeFlags{});
  return type;
}

}  // namespace

GtkWidget* spoken_scale_new_with_range(GtkOrientation orientation, double min, double max,
                                       double step) {
  GtkAdjustment* adjustment = gtk_adjustment_new(min, min, max, step, 10 * step, 0);
  int digits = 0;
  if (std::fabs(step) < 1.0 && step != 0.0) {
    digits = std::min(5, std::abs(static_cast<int>(std::floor(std::log10(std::fabs(step))))));
  }
  return GTK_WIDGET(g_object_new(spoken_scale_get_type(), "orientation", orientation, "adjustment",
                                 adjustment, "digits", digits, nullptr));
}

void set_spoken_value(GtkWidget* scale, const char* text) {
  g_object_set_data_full(G_OBJECT(scale), spokenValueKey, g_strdup(text), g_free);
}

}  // namespace sonavel
