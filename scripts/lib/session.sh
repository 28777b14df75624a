# Shell helpers for a private session without a desktop: an Xvfb display and a
# PulseAudio server with one null sink, both stopped by stop_session.
# Sourced by scripts; sets DISPLAY, PULSE_SERVER and friends for what follows.

session_dir=
session_pids=()

start_session() {  # [sink format]
  local format=${1:-float32le}
  session_dir=$(mktemp -d /tmp/sonavel-session-XXXXXX)
  mkdir -p "$session_dir/run" "$session_dir/home"
  chmod 700 "$session_dir/run"

  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -extension GLX \
    5>"$session_dir/display" >/dev/null 2>&1 &
  session_pids+=($!)
  for _ in $(seq 100); do [ -s "$session_dir/display" ] && break; sleep 0.1; done
  [ -s "$session_dir/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(cat "$session_dir/display")"

  export XDG_RUNTIME_DIR="$session_dir/run" HOME="$session_dir/home"
  export PULSE_SERVER="unix:$session_dir/native" PULSE_COOKIE="$session_dir/home/cookie"
  PULSE_SERVER= pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --log-target=stderr --log-level=error \
    -L "module-native-protocol-unix socket=$session_dir/native auth-anonymous=1" \
    -L "module-null-sink sink_name=nullsink format=$format channels=1 rate=44100" \
    >/dev/null 2>"$session_dir/pulse.err" &
  session_pids+=($!)
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "PulseAudio did not start" >&2
  return 1
}

# Records the sink's monitor as raw float32le into $1; waits until it flows
# (a null sink may hold a new client back for up to 2 s otherwise).
start_recording() {
  parec --device=nullsink.monitor --format=float32le --channels=1 --rate=44100 \
    --latency-msec=20 --raw "$1" &
  session_pids+=($!)
  for _ in $(seq 200); do
    [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt 4096 ] && return 0
    sleep 0.05
  done
  return 1
}

# Waits for a window whose title starts with Sonavel and prints its id.
wait_for_window() {
  timeout "${1:-20}" xdotool search --sync --onlyvisible --name '^Sonavel' 2>/dev/null | head -n 1
}

stop_session() {
  local pid
  for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
    pid=${session_pids[$i]}
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  session_pids=()
  [ -n "$session_dir" ] && rm -rf "$session_dir"
  session_dir=
}

# The program's main job on its default: starts build/$1 in the session, moves
# the 1000 Hz band from -40 dB to -30 dB with one Page Down on its slider (the
# first band slider holds the focus; Tab walks to band 16), and writes a
# screenshot to $2 during the burst's steady part. Leaves the program running.
play_demo_burst() {
  "build/$1" &
  session_pids+=($!)
  local win
  win=$(wait_for_window)
  [ -n "$win" ] || { echo "no window appeared" >&2; return 1; }
  xdotool windowfocus --sync "$win"
  xdotool key --delay 20 $(printf 'Tab %.0s' $(seq 16)) Page_Down
  sleep 1.3
  mkdir -p "$(dirname "$2")"
  build/tests/tools/x_snapshot "$2" "$win"
  demo_title=$(xdotool getwindowname "$win")
}
