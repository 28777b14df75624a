#include <cmath>

#include "ui/program_choices.h"

namespace sonavel {

int slider_db(double value, SliderRounding rounding) {
  return static_cast<int>(rounding == SliderRounding::TowardZero ? std::trunc(value)
                                                                 : std::round(value));
}

}  // namespace sonavel
