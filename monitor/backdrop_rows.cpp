#include "monitor/backdrop_rows.h"

#include <cstring>

namespace sonavel {

void BackdropRows::take(cairo_surface_t* image) {
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const int height = cairo_image_surface_get_height(image);
  width_ = cairo_image_surface_get_width(image);
  const std::size_t bytes = static_cast<std::size_t>(width_) * sizeof(std::uint32_t);
  auto same_as_above = [&](int y) {
    return y > 0 && std::memcmp(data + y * stride, data + (y - 1) * stride, bytes) == 0;
  };
  // Counted first, so that the storage is exactly the distinct rows.
  std::size_t runs = 0;
  for (int y = 0; y < height; ++y) runs += !same_as_above(y);
  pixels_ = std::vector<std::uint32_t>(runs * static_cast<std::size_t>(width_));
  starts_.resize(static_cast<std::size_t>(height));
  std::size_t next = 0;
  for (int y = 0; y < height; ++y) {
    if (same_as_above(y)) {
      starts_[y] = starts_[y - 1];
      continue;
    }
    std::memcpy(pixels_.data() + next, data + y * stride, bytes);
    starts_[y] = next;
    next += static_cast<std::size_t>(width_);
  }
}

}  // namespace sonavel
