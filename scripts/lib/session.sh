# Shell helpers for scripts that show or measure the programs without a
# desktop. The display and the sound server come from tests/tools/
# private_session, the same ones the tests start; these helpers only drive
# the programs inside it.

# Runs the calling script again inside a private session (Xvfb and a PulseAudio
# null sink, its monitor recorded into $SONAVEL_RECORDING) and exits with its
# status; returns at once when already inside one.
# Usage: enter_private_session [--glx] -- "$0" "$@"
enter_private_session() {
  [ -n "${SONAVEL_RECORDING:-}" ] && return 0
  SONAVEL_RECORDING=$(mktemp /tmp/sonavel-monitor-XXXXXX.f32)
  export SONAVEL_RECORDING
  local status=0
  build/tests/tools/private_session --record "$SONAVEL_RECORDING" "$@" || status=$?
  rm -f "$SONAVEL_RECORDING"
  exit "$status"
}

# Every program a helper started in the background ends with the script.
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true' EXIT

# Waits up to $1 seconds (20) for a window whose title matches $2 (one that
# starts with Sonavel) and prints its id.
wait_for_window() {
  timeout "${1:-20}" xdotool search --sync --onlyvisible --name "${2:-^Sonavel}" 2>/dev/null |
    head -n 1
}

# Walks the focus from the first band slider, which has it when the window
# appears, to band 16, the 1000 Hz one.
focus_1000_hz_band() {
  # shellcheck disable=SC2046  # one word per key
  xdotool key --delay 20 $(printf 'Tab %.0s' $(seq 16))
}

# The program's main job on its default: starts build/$1 (or $1 itself, given
# as a path, such as an installed /usr/bin/sonavel), moves the 1000 Hz
# band from -40 dB to -30 dB with one Page Down on its slider (the first band
# slider holds the focus; Tab walks to band 16), and writes a screenshot to $2
# during the burst's steady part. Leaves the program running.
play_demo_burst() {
  if [[ $1 == */* ]]; then "$1" & else "build/$1" & fi
  local win
  win=$(wait_for_window)
  [ -n "$win" ] || { echo "no window appeared" >&2; return 1; }
  xdotool windowfocus --sync "$win"
  focus_1000_hz_band
  xdotool key Page_Down
  sleep 1.3
  mkdir -p "$(dirname "$2")"
  build/tests/tools/x_snapshot "$2" "$win"
  demo_title=$(xdotool getwindowname "$win")
}

# Saves the levels of the running program's window to $1 (an absolute path,
# whose extension gives the kind) as a person does: Ctrl+S, the path typed
# into the chooser, Enter.
save_levels_as() {
  rm -f "$1"
  xdotool key ctrl+s
  timeout 10 xdotool search --sync --onlyvisible --name '^Save Levels' >/dev/null
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.05; done
  echo "the levels were not saved to $1" >&2
  return 1
}
