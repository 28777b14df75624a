// How a band slider's value becomes a whole number of dB.
#pragma once

namespace sonavel {

enum class SliderRounding { TowardZero, HalfAwayFromZero };

// The slider's value as a whole number of dB. Any thread.
int slider_db(double value, SliderRounding rounding);

}  // namespace sonavel
