// Which ear a check is for: both (the one stream reaches every channel of
// the output, as it always has), or one side alone, where the stream is
// placed on that side's channel and the other side gets silence.
#pragma once

#include <array>

namespace sonavel {

enum class Ear { Both, Left, Right };
inline constexpr std::array<Ear, 3> ears{Ear::Both, Ear::Left, Ear::Right};

// "both ears", "left ear", "right ear".
inline const char* ear_name(Ear ear) {
  return ear == Ear::Left ? "left ear" : ear == Ear::Right ? "right ear" : "both ears";
}

}  // namespace sonavel
