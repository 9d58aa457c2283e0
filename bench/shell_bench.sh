#!/usr/bin/env bash
# Figures of the real executable on an X server of its own (Xvfb), with the
# accessibility bridge on as every screen-reader user has it: start-up time
# from the process start to its first mapped window, the first start in a
# fresh desktop session (a new D-Bus session bus and AT-SPI bus) and a later
# start in the same session (minimum, median and maximum of several runs);
# CPU while idle at the menu and while the game hums waiting for a key (with
# device sounds on and off); and peak memory. Each line prints the figure,
# its goal and their ratio. Everything runs in a private home, so a
# speech-dispatcher that the shell starts belongs to this script and ends
# with it.
#
# Given several run folders (an older build beside this one), each start is
# taken from each folder in turn, so that the machine's load falls on all of
# them alike; the load average is printed with the figures.
# With ON_DEMAND=1 the accessibility bus is not started with the session:
# the session bus starts it when the first program asks for it, as some
# desktops do. With STALLED=1 the accessibility bus launcher is stopped
# (SIGSTOP) once it is up, so that it answers nothing, as a desktop too busy
# to answer in time.
# Usage: [ON_DEMAND=1|STALLED=1] bench/shell_bench.sh [RUN_DIR...]   (default build-test/run)
# SHELL_BENCH_ROUNDS sets the number of fresh sessions (default 7); each has
# one first start and two later starts per folder.
set -euo pipefail
[ $# -gt 0 ] || set -- build-test/run
run_dirs=()
for run_dir in "$@"; do
  run_dirs+=("$(realpath "$run_dir")")
done
rounds=${SHELL_BENCH_ROUNDS:-7}
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_require_accessibility_tools
e2e_private_home
e2e_start_xvfb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

scratch=$(mktemp -d)
pid=
session_bus=
stop_any() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  rm -rf "$scratch"
}
e2e_on_exit stop_any
ticks_per_s=$(getconf CLK_TCK)

# Each build runs in a copy of its run folder.
dirs=()
for i in "${!run_dirs[@]}"; do
  dirs+=("$scratch/$i")
  mkdir -p "$scratch/$i"
  cp -r "${run_dirs[$i]}"/. "$scratch/$i"/
  rm -f "$scratch/$i/ram.dat"
done

# The X server's window events, read as they come: a start ends at the first
# window mapped after it.
coproc XEV { exec stdbuf -oL xev -root -event substructure 2>/dev/null; }
e2e_on_exit "kill $XEV_PID 2>/dev/null"
xev_out=${XEV[0]}
# xev has selected the events once it answers a window of ours.
xdotool search --name '^$' >/dev/null 2>&1 || true
drain_xev() {
  while read -r -t 0.2 -u "$xev_out" _; do :; done
}

report() { # name figure goal unit
  awk -v n="$1" -v f="$2" -v g="$3" -v u="$4" \
    'BEGIN { printf "%-46s %9.1f %s  goal < %g %s  ratio %.2f\n", n, f, u, g, u, f / g }'
}

# A fresh desktop session: a D-Bus session bus and the AT-SPI bus on it.
start_session() {
  local output
  output=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$output")
  session_bus=$(sed -n 2p <<<"$output")
  export DBUS_SESSION_BUS_ADDRESS
  [ "${ON_DEMAND:-0}" = 1 ] && return 0
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  local launcher=$!
  disown
  e2e_wait_until 10 e2e_accessibility_bus_up || { echo "FAIL: the AT-SPI bus did not start"; exit 1; }
  [ "${STALLED:-0}" = 1 ] && kill -STOP "$launcher"
  return 0
}

# Ends every process of the session: those started with its bus address
# (the AT-SPI launcher, its bus and registry), and the bus itself.
end_session() {
  e2e_kill_processes_with "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS"
  kill "$session_bus" 2>/dev/null || true
  session_bus=
}
e2e_on_exit 'if [ -n "$session_bus" ]; then end_session; fi'

start_shell() { # dir voiceallowed velirasounds
  printf '[voice]\nvoiceallowed=%s\n[sounds]\nvelirasounds=%s\n' "$2" "$3" >"$1/velira.ini"
  drain_xev
  local t0 t1 line
  t0=$(date +%s%N)
  (cd "$1" && ALSOFT_DRIVERS=null QT_QPA_PLATFORM=xcb exec ./velira >>shell.log 2>&1) &
  pid=$!
  while :; do
    read -r -t 30 -u "$xev_out" line || { echo "no window within 30 s:"; tail -5 "$1/shell.log"; exit 1; }
    [[ $line == MapNotify* ]] && break
  done
  t1=$(date +%s%N)
  startup_ms=$(((t1 - t0) / 1000000))
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

# min / median / max of the numbers on stdin
spread() {
  sort -n | awk '{ v[NR] = $1 } END { printf "%d / %d / %d ms (%d runs)", v[1], v[int((NR + 1) / 2)], v[NR], NR }'
}

declare -A first later
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 0; round < rounds; ++round)); do
  for i in "${!dirs[@]}"; do
    start_session
    start_shell "${dirs[$i]}" 1 1
    first[$i]+="$startup_ms "
    stop_shell
    for _ in 1 2; do
      start_shell "${dirs[$i]}" 1 1
      later[$i]+="$startup_ms "
      stop_shell
    done
    end_session
  done
done
echo "load average after the starts: $(cut -d' ' -f1-3 /proc/loadavg)"
for i in "${!dirs[@]}"; do
  echo "${run_dirs[$i]}:"
  echo "  start-up, first in a fresh desktop session (min / median / max): $(tr ' ' '\n' <<<"${first[$i]}" | grep . | spread)"
  echo "  start-up, a later start (min / median / max): $(tr ' ' '\n' <<<"${later[$i]}" | grep . | spread)"
done

start_session
for i in "${!dirs[@]}"; do
  echo "${run_dirs[$i]}:"
  start_shell "${dirs[$i]}" 0 1
  window=$(e2e_window "$pid" 30 Velira)
  e2e_focus "$window"
  sleep 2
  report "  CPU idle at the menu" "$(cpu_percent 10)" 3 "%"
  xdotool key ctrl+s
  sleep 2
  report "  CPU in the hum loop, sounds on" "$(cpu_percent 10)" 3 "%"
  hwm_kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  report "  peak memory (VmHWM)" "$(awk -v k="$hwm_kb" 'BEGIN { print k / 1024 }')" 80 MB
  stop_shell

  start_shell "${dirs[$i]}" 0 0
  window=$(e2e_window "$pid" 30 Velira)
  e2e_focus "$window"
  sleep 1
  xdotool key ctrl+s
  sleep 2
  report "  CPU in the hum loop, sounds off" "$(cpu_percent 10)" 3 "%"
  stop_shell
done
end_session
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
