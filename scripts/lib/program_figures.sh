# Measures a program running in the current private session (see session.sh).

# Prints "CPU-PERCENT PEAK-RESIDENT-MIB X-SERVER-CPU-PERCENT" for build/$1 over
# $3 seconds (the X server draws what the program sends it), after a
# settling second; $2 is idle (no input) or bursts (a new burst every second,
# by alternate Up and Down on the 1000 Hz band slider, whose many cycles in
# the view make the dearest trace to draw).
program_cpu_and_memory() {
  local program=$1 mode=$2 seconds=$3
  "build/$program" &
  local pid=$!
  local win
  win=$(wait_for_window)
  [ -n "$win" ] || { kill "$pid"; echo "no window" >&2; return 1; }
  xdotool windowfocus --sync "$win"
  xdotool key --delay 20 $(printf 'Tab %.0s' $(seq 16))
  sleep 1
  local tck t0 t1
  tck=$(getconf CLK_TCK)
  local xpid=$SONAVEL_XVFB_PID x0 x1
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  x0=$(awk '{print $14 + $15}' "/proc/$xpid/stat")
  local i
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
    'BEGIN {printf "%.2f %.1f %.2f\n", 100 * d / t / s, m / 1024, 100 * x / t / s}'
}

# The median of the numbers on standard input.
median_of() {
  sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
