// The result of a threshold check: each band's current level, as its label
// shows it, and whether its slider was moved since the program started (a
// band left at its start level is not a result).
#pragma once

#include <array>

#include "engine/bands.h"

namespace sonavel {

struct BandLevels {
  std::array<int, bandCount> attenuationDb{};  // 57 for a label reading -57 dB
  std::array<bool, bandCount> set{};
};

}  // namespace sonavel
