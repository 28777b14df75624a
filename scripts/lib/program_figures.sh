# Measures a program running in the current private session (see session.sh).

# "TID NANOSECONDS" for each thread of process $1: the time it has run, as the
# scheduler counts it (a clock tick, the resolution of /proc/PID/stat, is 0.05%
# of a core over 20 s, as large as the differences measured at rest).
thread_ns() {
  local t
  for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null)"; done
}
# The share of one core, in percent, that the threads of two thread_ns
# snapshots ($1, then $2) ran over the $3 seconds between them; a thread that
# began between them counts whole.
cpu_share() {
  awk -v s="$3" 'NR == FNR {a[$1] = $2; next} {d += $2 - ($1 in a ? a[$1] : 0)}
    END {printf "%.2f", 100 * d / 1e9 / s}' <(echo "$1") <(echo "$2")
}

# Prints "CPU-PERCENT X-SERVER-CPU-PERCENT PEAK-RESIDENT-MIB" for $1 (a
# program path) over $3 seconds; $2 is
#   rest:   one burst, then, once the ring has long gone silent, no input;
#   bursts: a new burst every second, by alternate Up and Down on the
#           1000 Hz band slider, whose many cycles make the dearest trace.
# The X server's share counts too: it composes what the program draws.
program_cpu_and_memory() {
  local program=$1 mode=$2 seconds=$3
  "$program" &
  local pid=$!
  local win
  win=$(wait_for_window)
  [ -n "$win" ] || { kill "$pid"; echo "no window" >&2; return 1; }
  xdotool windowfocus --sync "$win"
  focus_1000_hz_band
  sleep 1
  if [ "$mode" = rest ]; then
    xdotool key Down
    sleep 25  # the burst, the ring scrolling it out, and 20 s of rest
  fi
  local xpid=$SONAVEL_XVFB_PID t0 t1 x0 x1 i
  t0=$(thread_ns "$pid")
  x0=$(thread_ns "$xpid")
  for ((i = 0; i < seconds; i++)); do
    if [ "$mode" = bursts ]; then
      if ((i % 2)); then xdotool key Down; else xdotool key Up; fi
    fi
    sleep 1
  done
  t1=$(thread_ns "$pid")
  x1=$(thread_ns "$xpid")
  local hwm
  hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$(cpu_share "$t0" "$t1" "$seconds") $(cpu_share "$x0" "$x1" "$seconds")" \
    "$(awk -v m="$hwm" 'BEGIN {printf "%.1f", m / 1024}')"
}

# The median of the numbers on standard input.
median_of() {
  sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# A program's floor: the minimal GTK window and the bare audio client "$@"
# started side by side, as the program starts its window and its output.
# Prints "CPU-PERCENT X-SERVER-CPU-PERCENT PEAK-RESIDENT-MIB" over
# $FLOOR_SECONDS seconds: the two processes' CPU summed, and their peaks
# summed less what any two processes share (the peak of a bare `sleep`).
# The floors' window: the minimal one, or with the design's parts named by
# FLOOR_WINDOW_PARTS (minimal_window's options).
FLOOR_WINDOW_PARTS=
floor_cpu_and_memory() {
  # shellcheck disable=SC2086  # the options are words
  build/bench/minimal_window $FLOOR_WINDOW_PARTS &
  local wpid=$!
  "$@" >/dev/null 2>&1 &
  local apid=$!
  wait_for_window 20 '^Minimal$' >/dev/null
  sleep 3
  local xpid=$SONAVEL_XVFB_PID t0 t1 x0 x1
  t0=$(thread_ns "$wpid" && thread_ns "$apid")
  x0=$(thread_ns "$xpid")
  sleep "$FLOOR_SECONDS"
  t1=$(thread_ns "$wpid" && thread_ns "$apid")
  x1=$(thread_ns "$xpid")
  sleep 30 &
  local bare=$!
  sleep 0.5
  local hwm
  hwm=$(awk '/^VmHWM:/ {s += $2} END {print s}' "/proc/$wpid/status" "/proc/$apid/status")
  hwm=$((hwm - $(awk '/^VmHWM:/ {print $2}' "/proc/$bare/status")))
  kill "$wpid" "$apid" "$bare"
  wait "$wpid" "$apid" "$bare" 2>/dev/null || true
  echo "$(cpu_share "$t0" "$t1" "$FLOOR_SECONDS") $(cpu_share "$x0" "$x1" "$FLOOR_SECONDS")" \
    "$(awk -v m="$hwm" 'BEGIN {printf "%.1f", m / 1024}')"
}

# Milliseconds from starting the minimal window and the bare audio client
# "$@" side by side to both running (the window mapped, the client's first
# request, which it announces with a line): the slower of the two. With
# FLOOR_SHOWN_WHEN_PLAYING set, the window is built at once but shown only
# once the client plays, as each program shows its window only once its audio
# runs: the time to that window. The client is then one path, without
# arguments (startup_time --audio starts it).
FLOOR_SHOWN_WHEN_PLAYING=
floor_startup() {
  if [ -n "$FLOOR_SHOWN_WHEN_PLAYING" ]; then
    # shellcheck disable=SC2086
    build/bench/startup_time --audio "$1" build/bench/minimal_window $FLOOR_WINDOW_PARTS \
      --show-on-line
    return
  fi
  local mapped
  mapped=$(mktemp)
  # shellcheck disable=SC2086
  build/bench/startup_time build/bench/minimal_window $FLOOR_WINDOW_PARTS >"$mapped" &
  local timer=$!
  local t0 line
  t0=$(date +%s%N)
  coproc audio_client { exec "$@" 2>/dev/null; }
  local client=$audio_client_PID
  read -r -u "${audio_client[0]}" line
  local audio_ms=$((($(date +%s%N) - t0) / 1000000))
  wait "$timer"
  kill "$client"
  wait "$client" 2>/dev/null || true
  awk -v a="$audio_ms" -v w="$(cat "$mapped")" 'BEGIN {print (a > w ? a : w)}'
  rm -f "$mapped"
}
