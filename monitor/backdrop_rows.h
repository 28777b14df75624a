// The view's panel without its trace, kept between draws as its distinct
// rows: a run of equal rows (the plain background between the grid's lines)
// is stored once. The panel is composed afresh from these rows at every draw,
// so they are all the view keeps of it besides the image it draws into.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonavel {

class BackdropRows {
 public:
  // Keeps the rows of image, an RGB24 image surface that has been flushed.
  void take(cairo_surface_t* image);
  // Row y's pixels, width() of them; y from 0 to height() - 1.
  const std::uint32_t* row(int y) const { return pixels_.data() + starts_[y]; }
  int width() const { return width_; }
  int height() const { return static_cast<int>(starts_.size()); }

 private:
  std::vector<std::uint32_t> pixels_;
  std::vector<std::size_t> starts_;  // where each row begins in pixels_
  int width_ = 0;
};

}  // namespace sonavel
