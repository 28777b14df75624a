// The deleter of every owner of a C resource: unique_ptr aliases with the
// library's own release call, so that whoever holds the owner releases the
// resource on every path out of a scope.
#pragma once

namespace sonavel {

// A deleter that calls one C release function.
template <auto Release>
struct CallRelease {
  template <typename T>
  void operator()(T* resource) const noexcept {
    Release(resource);
  }
};

}  // namespace sonavel
