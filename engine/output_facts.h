// What the sound server says of the output a check plays through: levels
// relative to full scale mean something only for one device at one volume,
// so a check's result names them, and a change during the check is told.
#pragma once

#include <string>

namespace sonavel {

struct OutputFacts {
  std::string description;  // the device as the server describes it
  std::string port;         // its active port, or empty
  std::string format;       // the server's name of its sample format
  unsigned rate = 0;
  unsigned channels = 0;
  int volumePercent = 0;  // its loudest channel's, as a desktop's mixer shows it
  bool muted = false;

  bool operator==(const OutputFacts&) const = default;
};

// "Null Output (Analog Output), float32le 44100 Hz 2 channels, volume 65%",
// with ", muted" when it is.
std::string describe_output(const OutputFacts& facts);

// What the window and the saved files say when the output a check plays
// through is no longer the one its levels were set through: another device,
// port or format, or another volume or mute state. Empty when they are the
// same.
std::string output_change_warning(const OutputFacts& before, const OutputFacts& now);

}  // namespace sonavel
