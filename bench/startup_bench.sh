#!/usr/bin/env bash
# Start-up time of the real executable, from its start to its first mapped
# main window, with the accessibility bridge on as a screen-reader user has
# it: the first start in a fresh desktop session (a D-Bus session bus and an
# accessibility bus of their own, the registry not yet started) and the two
# starts after it in the same session. Each build named is measured in the
# same round, one after the other, so that both meet the same machine.
# Prints the minimum, median and maximum of each figure per build.
# With ON_DEMAND=1 the accessibility bus is not started with the session:
# the session bus starts it when the first program asks for it, as some
# desktops do. With STALLED=1 the accessibility bus launcher is stopped
# (SIGSTOP) once it is up, so that it answers nothing, as a desktop too busy
# to answer in time.
# Usage: [ON_DEMAND=1|STALLED=1] bench/startup_bench.sh RUNS RUN_DIR [RUN_DIR...]
set -euo pipefail
runs=$1
shift
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_private_home
e2e_start_xvfb

bus=
launcher=
pid=
stop_session() {
  [ -n "$pid" ] && { kill -9 "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  [ -n "$launcher" ] && { kill "$launcher" 2>/dev/null || true; kill -CONT "$launcher" 2>/dev/null || true
    wait "$launcher" 2>/dev/null || true; }
  [ -n "$bus" ] && { kill "$bus" 2>/dev/null || true; }
  pid= launcher= bus=
}
e2e_on_exit stop_session

# A fresh desktop session: its session bus and accessibility bus.
start_session() {
  local output
  output=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$output")
  bus=$(sed -n 2p <<<"$output")
  [ "${ON_DEMAND:-0}" = 1 ] && return 0
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  launcher=$!
  e2e_wait_until 10 e2e_accessibility_bus_up
  [ "${STALLED:-0}" = 1 ] && kill -STOP "$launcher"
  return 0
}

# start_shell DIR: prints the milliseconds from the start to the window.
start_shell() {
  local t0 t1 window=
  printf '[voice]\nvoiceallowed=1\n[sounds]\nvelirasounds=1\n' >"$1/velira.ini"
  t0=$(date +%s%N)
  (cd "$1" && ALSOFT_DRIVERS=null QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    exec ./velira >>shell.log 2>&1) &
  pid=$!
  while [ -z "$window" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "the shell ended at start-up" >&2; exit 1; }
    window=$(xdotool search --onlyvisible --pid "$pid" --name Velira 2>/dev/null | head -1 || true)
  done
  t1=$(date +%s%N)
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  echo $(((t1 - t0) / 1000000))
}

declare -A dirs figures
for run_dir in "$@"; do
  dirs[$run_dir]=$(mktemp -d)
  e2e_on_exit "rm -rf '${dirs[$run_dir]}'"
  cp -r "$run_dir"/. "${dirs[$run_dir]}"/
done
for ((round = 0; round < runs; round++)); do
  for run_dir in "$@"; do
    start_session
    for start in first second third; do
      figures[$run_dir/$start]+="$(start_shell "${dirs[$run_dir]}") "
    done
    stop_session
  done
done
for run_dir in "$@"; do
  for start in first second third; do
    sorted=$(tr ' ' '\n' <<<"${figures[$run_dir/$start]}" | grep . | sort -n)
    count=$(wc -l <<<"$sorted")
    printf '%-40s %-6s start: min %5d  median %5d  max %5d ms (%d runs)\n' "$run_dir" "$start" \
      "$(head -1 <<<"$sorted")" "$(sed -n "$(((count + 1) / 2))p" <<<"$sorted")" \
      "$(tail -1 <<<"$sorted")" "$count"
  done
done
