# Measures a program running in the current private session (see session.sh).

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
  xdotool key --delay 20 $(printf 'Tab %.0s' $(seq 16))
  sleep 1
  if [ "$mode" = rest ]; then
    xdotool key Down
    sleep 25  # the burst, the ring scrolling it out, and 20 s of rest
  fi
  local tck xpid=$SONAVEL_XVFB_PID t0 t1 x0 x1 i
  tck=$(getconf CLK_TCK)
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  x0=$(awk '{print $14 + $15}' "/proc/$xpid/stat")
  for ((i = 0; i < seconds; i++)); do
    if [ "$mode" = bursts ]; then
      if ((i % 2)); then xdotool key Down; else xdotool key Up; fi
    fi
    sleep 1
  done
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  x1=$(awk '{print $14 + $15}' "/proc/$xpid/stat")
  local hwm
  hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v d=$((t1 - t0)) -v x=$((x1 - x0)) -v t="$tck" -v s="$seconds" -v m="$hwm" \
    'BEGIN {printf "%.2f %.2f %.1f\n", 100 * d / t / s, 100 * x / t / s, m / 1024}'
}

# Plays a burst every 3.3 s for about 60 s on $1 while another process keeps
# one core busy, recording the sink's monitor into $2.
bursts_with_a_busy_core() {
  local program=$1 recording=$2
  timeout 75 sh -c 'while :; do :; done' &
  local busy=$!
  "$program" &
  local pid=$!
  local win
  win=$(wait_for_window)
  sleep 2.5  # a null sink holds a new client's first samples back up to 2 s
  xdotool windowfocus --sync "$win"
  local i
  local from
  from=$(stat -c %s "$SONAVEL_RECORDING")
  for ((i = 0; i < 18; i++)); do
    if ((i % 2)); then xdotool key Page_Up; else xdotool key Page_Down; fi
    sleep 3.3
  done
  tail -c +"$((from + 1))" "$SONAVEL_RECORDING" > "$recording"
  kill "$pid" "$busy" 2>/dev/null
  wait "$pid" "$busy" 2>/dev/null || true
}

# The median of the numbers on standard input.
median_of() {
  sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
