#!/usr/bin/env bash
# Figures of the real executable on an X server of its own (Xvfb): start-up
# time to the shown main window with the voice allowed, CPU while idle at
# the menu and while the game hums waiting for a key (with device sounds on
# and off), and peak memory. Each line prints the figure, its goal and their
# ratio. Everything runs in a private home, so a speech-dispatcher that the
# shell starts belongs to this script and ends with it.
# Usage: bench/shell_bench.sh [RUN_DIR, default build-test/run]
set -euo pipefail
run_dir=$(realpath "${1:-build-test/run}")
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_private_home
e2e_start_xvfb

dir=$(mktemp -d)
pid=
stop_any() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  rm -rf "$dir"
}
e2e_on_exit stop_any
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat"
ticks_per_s=$(getconf CLK_TCK)

report() { # name figure goal unit
  awk -v n="$1" -v f="$2" -v g="$3" -v u="$4" \
    'BEGIN { printf "%-42s %9.1f %s  goal < %g %s  ratio %.2f\n", n, f, u, g, u, f / g }'
}

start_shell() { # voiceallowed velirasounds
  printf '[voice]\nvoiceallowed=%s\n[sounds]\nvelirasounds=%s\n' "$1" "$2" >"$dir/velira.ini"
  local t0 t1
  t0=$(date +%s%N)
  (cd "$dir" && ALSOFT_DRIVERS=null QT_QPA_PLATFORM=xcb exec ./velira >>shell.log 2>&1) &
  pid=$!
  window=
  while [ -z "$window" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "the shell ended at start-up:"; tail -5 "$dir/shell.log"; exit 1; }
    window=$(xdotool search --onlyvisible --pid "$pid" --name Velira 2>/dev/null | head -1 || true)
  done
  t1=$(date +%s%N)
  startup_ms=$(((t1 - t0) / 1000000))
  xdotool mousemove --window "$window" 300 200 click 1
}

cpu_percent() { # seconds
  local a b
  a=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$1"
  b=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  awk -v d=$((b - a)) -v t="$ticks_per_s" -v s="$1" 'BEGIN { print d / t / s * 100 }'
}

stop_shell() {
  # A kill, not a way out: the figures are taken, nothing needs keeping.
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

times=()
for _ in 1 2 3 4 5; do
  start_shell 1 1
  times+=("$startup_ms")
  stop_shell
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
report "start-up, voice allowed (best of 5)" "$(head -1 <<<"$sorted")" 300 ms
report "start-up, voice allowed (median of 5)" "$(sed -n 3p <<<"$sorted")" 300 ms

start_shell 0 1
sleep 2
report "CPU idle at the menu" "$(cpu_percent 10)" 3 "%"
xdotool key ctrl+s
sleep 2
report "CPU in the hum loop, sounds on" "$(cpu_percent 10)" 3 "%"
hwm_kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
report "peak memory (VmHWM)" "$(awk -v k="$hwm_kb" 'BEGIN { print k / 1024 }')" 80 MB
stop_shell

start_shell 0 0
sleep 1
xdotool key ctrl+s
sleep 2
report "CPU in the hum loop, sounds off" "$(cpu_percent 10)" 3 "%"
stop_shell
