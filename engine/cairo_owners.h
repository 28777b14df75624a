// Owners of cairo's resources, for every folder that draws. Header only:
// an includer links cairo itself.
#pragma once

#include <cairo.h>

#include <memory>

#include "engine/call_release.h"

namespace sonavel {

using CairoContext = std::unique_ptr<cairo_t, CallRelease<cairo_destroy>>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CallRelease<cairo_surface_destroy>>;
using CairoFontOptions =
    std::unique_ptr<cairo_font_options_t, CallRelease<cairo_font_options_destroy>>;

}  // namespace sonavel
