// How long the harness waits for what a loaded machine makes slow: a sound
// server to answer, a window to appear, samples to arrive, a program to end.
// The one place that says; a wait that runs out is a failure, so these are
// generous, and a wait that succeeds returns as soon as it can.
#pragma once

#include <chrono>

namespace sonavel_test {

inline constexpr std::chrono::seconds slowMachineWait{30};

}  // namespace sonavel_test
