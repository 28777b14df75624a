#include "engine/output_facts.h"

namespace sonavel {

namespace {

constexpr const char* notComparable = ": levels set before and after are not comparable";

// The device alone: "Null Output (Analog Output), float32le 44100 Hz 2 channels".
std::string describe_device(const OutputFacts& f) {
  std::string text = f.description;
  if (!f.port.empty()) text += " (" + f.port + ")";
  return text + ", " + f.format + " " + std::to_string(f.rate) + " Hz " +
         std::to_string(f.channels) + (f.channels == 1 ? " channel" : " channels");
}

// "65%", or "muted" when nothing is heard whatever the volume.
std::string describe_volume(const OutputFacts& f) {
  return f.muted ? "muted" : std::to_string(f.volumePercent) + "%";
}

}  // namespace

std::string describe_output(const OutputFacts& facts) {
  return describe_device(facts) + ", volume " + std::to_string(facts.volumePercent) + "%" +
         (facts.muted ? ", muted" : "");
}

std::string output_change_warning(const OutputFacts& before, const OutputFacts& now) {
  if (describe_device(before) != describe_device(now)) {
    return "The output changed from " + describe_device(before) + " to " + describe_device(now) +
           notComparable;
  }
  if (describe_volume(before) != describe_volume(now)) {
    return "The output volume changed from " + describe_volume(before) + " to " +
           describe_volume(now) + notComparable;
  }
  return {};
}

}  // namespace sonavel
