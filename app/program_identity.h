// How the desktop knows each program's windows: the Wayland app_id and the
// X11 WM_CLASS (name and class alike) are the program's desktop entry's name,
// org.sonavel.Sonavel or org.sonavel.SonavelPortAudio, so that docks and task
// switchers show its icon and group its windows.
#pragma once

namespace sonavel {

// The program name, which is the app_id and WM_CLASS's name. Call first in
// main, before the toolkit starts. Main thread only.
void name_program(const char* desktop_id);

// WM_CLASS's class the same as the program name (the toolkit would give it a
// capital first letter). Call once the toolkit has started, before the first
// window is made. Main thread only.
void class_windows_by_program_name();

}  // namespace sonavel
