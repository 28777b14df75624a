// Gives the test process an X display: the one in DISPLAY, or a private Xvfb
// started for this process when there is none.
#pragma once

namespace sonavel_test {

// Returns false if no display could be had.
bool ensure_display();

}  // namespace sonavel_test
