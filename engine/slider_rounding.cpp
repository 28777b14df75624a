#include "engine/slider_rounding.h"

#include <cmath>

namespace sonavel {

int slider_db(double value, SliderRounding rounding) {
  return static_cast<int>(rounding == SliderRounding::TowardZero ? std::trunc(value)
                                                                 : std::round(value));
}

}  // namespace sonavel
