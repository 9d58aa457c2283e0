#!/usr/bin/env bash
# The real executable, ended by each termination signal while idle, writes
# the whole memory image and keeps what it loaded.
# Usage: ways_out_test.sh RUN_DIR
set -euo pipefail
run_dir=$1
failures=0

# Waits until the shell has read its memory image (it keeps the file open
# only briefly, so wait for the main window's settings file or a second).
wait_started() {
  local dir=$1 pid=$2
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 1
    [ -f "$dir/velira.ini" ] && sleep 0.3 && return 0
    sleep 0.05
  done
  return 0
}

for signal in TERM INT HUP; do
  dir=$(mktemp -d)
  cp -r "$run_dir"/. "$dir"/
  rm -f "$dir/ram.dat" "$dir/velira.ini"
  printf '0123456789' >"$dir/ram.dat"
  (cd "$dir" && QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null exec ./velira >shell.log 2>&1) &
  pid=$!
  if ! wait_started "$dir" "$pid"; then
    echo "FAIL $signal: the shell ended before the signal"; cat "$dir/shell.log"; failures=$((failures + 1)); continue
  fi
  kill -"$signal" "$pid"
  status=0
  wait "$pid" || status=$?
  size=$(stat -c %s "$dir/ram.dat")
  head=$(head -c 10 "$dir/ram.dat")
  if [ "$size" -ne 65536 ] || [ "$head" != "0123456789" ]; then
    echo "FAIL $signal: ram.dat is $size bytes starting '$head' (exit $status)"; failures=$((failures + 1))
  else
    echo "ok $signal: ram.dat written whole (exit $status)"
  fi
  rm -rf "$dir"
done

echo "$((3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
