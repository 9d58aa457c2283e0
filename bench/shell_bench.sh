#!/usr/bin/env bash
# Figures of the real executable under Xvfb: start-up time to the shown main
# window, CPU while idle at the menu and while the game hums waiting for a
# key (with device sounds on and off), and peak memory. Each line prints the
# figure, its goal and their ratio.
# Usage: bench/shell_bench.sh [RUN_DIR, default build-test/run]
set -euo pipefail
run_dir=$(realpath "${1:-build-test/run}")
if [ -z "${VELIRA_BENCH_INSIDE:-}" ]; then
  VELIRA_BENCH_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$run_dir"
fi

dir=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat"
ticks_per_s=$(getconf CLK_TCK)

report() { # name figure goal unit
  awk -v n="$1" -v f="$2" -v g="$3" -v u="$4" \
    'BEGIN { printf "%-34s %9.1f %s  goal < %g %s  ratio %.2f\n", n, f, u, g, u, f / g }'
}

start_shell() { # velirasounds
  printf '[voice]\nvoiceallowed=0\n[sounds]\nvelirasounds=%s\n' "$1" >"$dir/velira.ini"
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
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
}

best=999999
for _ in 1 2 3; do
  start_shell 1
  [ "$startup_ms" -lt "$best" ] && best=$startup_ms
  stop_shell
done
report "start-up to the shown window (best of 3)" "$best" 300 ms

start_shell 1
sleep 2
report "CPU idle at the menu" "$(cpu_percent 10)" 3 "%"
xdotool key ctrl+s
sleep 2
report "CPU in the hum loop, sounds on" "$(cpu_percent 10)" 3 "%"
hwm_kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
report "peak memory (VmHWM)" "$(awk -v k="$hwm_kb" 'BEGIN { print k / 1024 }')" 80 MB
stop_shell

start_shell 0
sleep 1
xdotool key ctrl+s
sleep 2
report "CPU in the hum loop, sounds off" "$(cpu_percent 10)" 3 "%"
stop_shell
