// The file chooser keeps its settings through GSettings, whose dconf backend
// warns on standard error, at every change, when the session has no message
// bus to reach it by. The program's standard error belongs to its own
// messages, so the dconf library's warnings are dropped; every other
// library's messages go on as before.
#pragma once

namespace sonavel {

// Call once, on the main thread, before the toolkit starts.
void quiet_settings_backend();

}  // namespace sonavel
