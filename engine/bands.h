// The fixed table of band frequencies. A band's index (0 to 32) is its one
// identity across the program: table entry, grid column, label and slider.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sonavel {

inline constexpr std::size_t bandCount = 33;

// Not the plain third-octave series: 3500, 7000, 9000 and 11000 Hz are extra,
// and 31 Hz stands where the series has 31.5.
inline constexpr std::array<std::int32_t, bandCount> bands = {
    25,   31,   40,   50,   63,   80,   100,  125,   160,   200,   250,
    315,  400,  500,  630,  800,  1000, 1250, 1600,  2000,  2500,  3150,
    3500, 4000, 5000, 6300, 7000, 8000, 9000, 10000, 11000, 12500, 16000};

}  // namespace sonavel
