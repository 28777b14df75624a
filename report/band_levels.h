// The result of a threshold check: each band's current level, as its label
// shows it, and whether its slider was moved since the program started (a
// band left at its start level is not a result).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/bands.h"
#include "engine/ear.h"
#include "engine/output_facts.h"

namespace sonavel {

struct BandLevels {
  std::array<int, bandCount> attenuationDb{};  // 57 for a label reading -57 dB
  std::array<bool, bandCount> set{};

  bool any_set() const {
    for (bool s : set) {
      if (s) return true;
    }
    return false;
  }
};

// A check's levels for each ear: both ears together, the left and the right,
// each starting at the same level; the sliders show and set the chosen one.
struct CheckLevels {
  std::array<BandLevels, 3> byEar{};  // in the order of ears: Both, Left, Right
  Ear ear = Ear::Both;
  // The output the first level was set through, where the program knows it,
  // and what changed of it since, if anything: said in the saved files.
  std::optional<OutputFacts> output;
  std::string outputWarning;

  BandLevels& of(Ear e) { return byEar[static_cast<std::size_t>(e)]; }
  const BandLevels& of(Ear e) const { return byEar[static_cast<std::size_t>(e)]; }
  BandLevels& current() { return of(ear); }
  // Whether a level was set for one ear on its own.
  bool sides_set() const { return of(Ear::Left).any_set() || of(Ear::Right).any_set(); }
  bool any_set() const { return of(Ear::Both).any_set() || sides_set(); }
};

}  // namespace sonavel
