// How long the harness waits for what a loaded machine makes slow: a sound
// server to answer, a window to appear, samples to arrive, a program to end.
// The one place that says; a wait that runs out is a failure, so these are
// generous, and a wait that succeeds returns as soon as it can.
#pragma once

#include <chrono>
#include <thread>

namespace sonavel_test {

inline constexpr std::chrono::seconds slowMachineWait{30};

// Asks pred every step until it holds or limit has passed; says whether it
// held.
template <typename Pred>
bool wait_until(Pred pred, std::chrono::milliseconds limit = slowMachineWait,
                std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(step);
  }
}

}  // namespace sonavel_test
