// Owning pointers for GObject references: one reference per owner, released
// when the owner goes away. ref() takes a new reference to an object someone
// else owns; adopt() takes over a reference the caller already holds.
#pragma once

#include <glib-object.h>

#include <memory>

namespace sonavel {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectRef = std::unique_ptr<T, GObjectUnref>;

template <typename T>
GObjectRef<T> ref(T* object) {
  return GObjectRef<T>(static_cast<T*>(g_object_ref(object)));
}

template <typename T>
GObjectRef<T> adopt(T* object) {
  return GObjectRef<T>(object);
}

}  // namespace sonavel
