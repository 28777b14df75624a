// Owners of GLib's resources, for every folder that takes them. Header only:
// an includer links GLib (and GObject, for GObjectRef) itself.
#pragma once

#include <glib-object.h>

#include <memory>

#include "engine/call_release.h"

namespace sonavel {

// A GObject reference. ref() takes a new reference to an object that another
// owner keeps; adopt() takes over a reference the caller was given (from a
// constructor such as gtk_application_new).
template <typename T>
using GObjectRef = std::unique_ptr<T, CallRelease<g_object_unref>>;

template <typename T>
GObjectRef<T> ref(T* object) noexcept {
  return GObjectRef<T>(static_cast<T*>(g_object_ref(object)));
}
template <typename T>
GObjectRef<T> adopt(T* object) noexcept {
  return GObjectRef<T>(object);
}

// A string GLib allocated, and a point in time.
using GCharOwner = std::unique_ptr<gchar, CallRelease<g_free>>;
using GDateTimeOwner = std::unique_ptr<GDateTime, CallRelease<g_date_time_unref>>;

}  // namespace sonavel
