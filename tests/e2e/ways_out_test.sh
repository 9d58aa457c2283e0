#!/usr/bin/env bash
# Every way out of the real executable, on a real X server with a real
# speech-dispatcher reachable (the shell speaks through it): Exit from the
# menu, Alt+F4, closing the window, SIGTERM, SIGINT and SIGHUP, each idle and
# during a run, and after each start-up step that can fail (with its error
# box still open, and after it was closed). Each must end the process within
# a few seconds and leave the memory image whole: written back when it was
# read at start-up, untouched when it was not. The shell lives in a folder
# with Czech letters, under the Czech locale when it is there.
#
# Usage: ways_out_test.sh RUN_DIR
# Exits 77 (skipped) when the X tools or speech-dispatcher are missing.
# Failures are counted, not fatal: every case runs.
set -uo pipefail
run_dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb xdotool xclip speech-dispatcher python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"; exit 77
  fi
done

source "$here/lib.sh"
e2e_private_home
e2e_start_xvfb
e2e_start_speechd "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"
if locale -a 2>/dev/null | grep -qix 'cs_CZ.utf8'; then
  export LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8
fi

base=$(mktemp -d)
e2e_on_exit "rm -rf '$base'"
dir="$base/jiří/velira"
# A memory image the shell must keep: every byte tells its place.
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 7 + 3) % 251 for i in range(65536)))' \
  >"$base/ram.before"
# The game writes its own guard bytes from address 50730 on; below them the
# image must come back exactly as it was loaded.
kept_bytes=50000

pid=
e2e_on_exit '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; true'
failures=0
passed=0
fail() {
  echo "FAIL $case_name: $*"
  echo "--- shell log"; cat "$dir/shell.log" 2>/dev/null || true
  failures=$((failures + 1))
  if [ -n "$pid" ]; then
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
  fi
}

# prepare FAILURE: a fresh run folder with the memory image, set up so that
# the start-up step FAILURE fails (none, settings, image, bank, tables).
prepare() {
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -r "$run_dir"/. "$dir"/
  rm -f "$dir/velira.ini"
  cp "$base/ram.before" "$dir/ram.dat"
  # The newer speech interface: the shell speaks through speech-dispatcher.
  printf '[Voice]\nsapi5=1\n' >"$dir/velira.ini"
  case $1 in
  none) ;;
  settings) rm -f "$dir/velira.ini"; mkdir "$dir/velira.ini" ;; # "Unable to write to"
  image) rm -f "$dir/ram.dat"; mkdir "$dir/ram.dat"; echo kept >"$dir/ram.dat/kept" ;;
  bank) printf 'not a sound bank' >"$dir/sounds.dat" ;;
  tables) rm -f "$dir/czech.vbt"; mkdir "$dir/czech.vbt" ;;
  esac
}

# leave WAY WINDOW: takes the way out WAY from the window WINDOW.
leave() {
  local way=$1 window=$2
  case $way in
  exit)
    # Program menu, then its Exit item (Czech captions: "&Program", "Kon&ec").
    local before
    before=$(e2e_window_count "$pid")
    xdotool key alt+p
    e2e_wait_until 10 test_more_windows "$before" || { fail "the Program menu did not open"; return 1; }
    xdotool key e
    ;;
  altf4) xdotool key alt+F4 ;;
  close) python3 "$here/close_window.py" "$window" ;;
  TERM | INT | HUP) kill -"$way" "$pid" ;;
  esac
}
test_more_windows() {
  [ "$(e2e_window_count "$pid")" -gt "$1" ]
}

# check_image FAILURE: the memory image is as the way out must leave it.
check_image() {
  if [ "$1" = image ]; then
    # It was never read: nothing may have been written in its place.
    [ -d "$dir/ram.dat" ] && [ "$(cat "$dir/ram.dat/kept")" = kept ] ||
      { fail "the unreadable memory image was replaced"; return 1; }
    return 0
  fi
  local size
  size=$(stat -c %s "$dir/ram.dat")
  [ "$size" -eq 65536 ] || { fail "ram.dat is $size bytes"; return 1; }
  cmp -s -n "$kept_bytes" "$dir/ram.dat" "$base/ram.before" ||
    { fail "ram.dat no longer holds the image that was loaded"; return 1; }
}

# run_case STATE WAY FAILURE: STATE is idle, running (the game asking its
# first question) or box (the start-up error still on the screen).
run_case() {
  local state=$1 way=$2 failure=$3
  case_name="$way $state${failure:+ after a failed $failure step}"
  [ "$failure" = none ] && case_name="$way $state"
  prepare "$failure"
  (cd "$dir" && QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null exec ./velira >shell.log 2>&1) &
  pid=$!
  local window
  if [ "$failure" != none ]; then
    # The error box comes before the main window.
    window=$(e2e_window "$pid" 20) || { fail "no error box"; return; }
    if [ "$state" != box ]; then
      e2e_focus "$window" || { fail "the error box did not take the focus"; return; }
      xdotool key Return
      e2e_wait_until 10 main_window_shown || { fail "no main window after the error box"; return; }
    fi
  fi
  if [ "$state" != box ]; then
    window=$(e2e_window "$pid" 20 'velira - ') || { fail "no main window"; return; }
    e2e_focus "$window" || { fail "the main window did not take the focus"; return; }
  fi
  if [ "$state" = running ]; then
    xdotool key ctrl+s
    e2e_wait_until 30 e2e_screen_shows "$window" 'vieš čo máš robiť' ||
      { fail "the game did not start"; return; }
  fi
  leave "$way" "$window" || return
  e2e_wait_until 15 process_ended || { fail "the shell did not end within 15 s"; return; }
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  pid=
  check_image "$failure" || return
  passed=$((passed + 1))
  echo "ok $case_name (exit $status)"
}
main_window_shown() {
  [ -n "$(xdotool search --onlyvisible --pid "$pid" --name 'velira - ' 2>/dev/null)" ]
}
process_ended() {
  ! kill -0 "$pid" 2>/dev/null
}

for state in idle running; do
  for way in exit altf4 close TERM INT HUP; do
    run_case "$state" "$way" none
  done
done
# The reported fault: a settings file that cannot be written stops the
# start-up before the memory image is read.
for way in TERM INT HUP; do
  run_case box "$way" settings
done
for way in exit altf4 close TERM; do
  run_case idle "$way" settings
done
for failure in image bank tables; do
  run_case box TERM "$failure"
  for way in exit altf4 close; do
    run_case idle "$way" "$failure"
  done
done

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
