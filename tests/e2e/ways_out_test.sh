#!/usr/bin/env bash
# Every way out of the real executable, on a real X server with a real
# speech-dispatcher reachable (the shell speaks through it): Exit from the
# menu, Alt+F4, closing the window, SIGTERM, SIGINT and SIGHUP, each idle and
# during a run, and after each start-up step that can fail (with its error
# box still open, and after it was closed), and with the user's files kept
# behind symbolic links or in a folder that cannot be written. Each must end
# the process within a few seconds and leave the memory image whole: written
# back when it was read at start-up, untouched when it was not; links stay
# links and files keep their permissions. The shell lives in a folder with
# Czech letters, under the Czech locale when it is there.
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
if locale -a 2>/dev/null | grep -ix 'cs_CZ.utf8' >/dev/null; then
  export LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8
fi

base=$(mktemp -d)
e2e_on_exit "chattr -i '$base/jiří/velira' 2>/dev/null; rm -rf '$base'"
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
  echo "--- shell log"; cat "$base/shell.log" 2>/dev/null || true
  failures=$((failures + 1))
  if [ -n "$pid" ]; then
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
  fi
}

# prepare SETUP: a fresh run folder with the memory image, set up so that
# the start-up step SETUP fails (settings, image, bank, tables), or with the
# user's files kept elsewhere behind links (links), or in a folder that
# cannot be written while its files can (fixed), or as shipped (none).
prepare() {
  [ -d "$dir" ] && chattr -i "$dir" 2>/dev/null
  rm -rf "$dir" "$base/elsewhere"
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
  links)
    mkdir "$base/elsewhere"
    mv "$dir/velira.ini" "$dir/ram.dat" "$base/elsewhere/"
    chmod 600 "$base/elsewhere/velira.ini"
    chmod 640 "$base/elsewhere/ram.dat"
    ln -s "$base/elsewhere/velira.ini" "$dir/velira.ini"
    ln -s ../../elsewhere/ram.dat "$dir/ram.dat"
    ;;
  fixed)
    # Nothing can be made in the folder, not even by the superuser.
    image_inode=$(stat -c %i "$dir/ram.dat")
    chattr +i "$dir"
    ;;
  esac
}
# Whether a folder can be made unwritable to us here (chattr needs a file
# system that has the flag; ordinary users can simply take the right away).
can_fix_folders() {
  local probe
  probe=$(mktemp -d)
  chattr +i "$probe" 2>/dev/null && chattr -i "$probe" && rmdir "$probe" && return 0
  rmdir "$probe"
  return 1
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
  close)
    python3 "$here/close_window.py" "$window" || {
      show_focus "$window"
      fail "the window $window could not be asked to close"
      return 1
    }
    ;;
  TERM | INT | HUP) kill -"$way" "$pid" ;;
  esac
}
test_more_windows() {
  [ "$(e2e_window_count "$pid")" -gt "$1" ]
}

# check_files SETUP: what the setup asks beyond the memory image.
check_files() {
  case $1 in
  links)
    [ -L "$dir/velira.ini" ] && [ -L "$dir/ram.dat" ] || { fail "a link was replaced by a file"; return 1; }
    grep -q '^echo=' "$base/elsewhere/velira.ini" || { fail "the linked settings were not written"; return 1; }
    [ "$(stat -c %a "$base/elsewhere/velira.ini")" = 600 ] && [ "$(stat -c %a "$base/elsewhere/ram.dat")" = 640 ] ||
      { fail "the permissions of the linked files were reset"; return 1; }
    ;;
  fixed)
    chattr -i "$dir"
    grep -q '^echo=' "$dir/velira.ini" || { fail "the settings were not written in place"; return 1; }
    [ "$(stat -c %i "$dir/ram.dat")" = "$image_inode" ] || { fail "ram.dat was not written in place"; return 1; }
    ;;
  esac
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
  size=$(stat -L -c %s "$dir/ram.dat")
  [ "$size" -eq 65536 ] || { fail "ram.dat is $size bytes"; return 1; }
  cmp -s -n "$kept_bytes" "$dir/ram.dat" "$base/ram.before" ||
    { fail "ram.dat no longer holds the image that was loaded"; return 1; }
}

# run_case STATE WAY FAILURE: STATE is idle, running (the game asking its
# first question) or box (the start-up error still on the screen).
run_case() {
  local state=$1 way=$2 failure=$3
  case $failure in
  none) case_name="$way $state" ;;
  links) case_name="$way $state, files behind links" ;;
  fixed) case_name="$way $state, a folder that cannot be written" ;;
  *) case_name="$way $state after a failed $failure step" ;;
  esac
  prepare "$failure"
  (cd "$dir" && QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null exec ./velira >"$base/shell.log" 2>&1) &
  pid=$!
  local window
  if [[ $failure =~ ^(settings|image|bank|tables)$ ]]; then
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
    if ! e2e_wait_until 30 e2e_screen_shows "$window" 'vieš čo máš robiť'; then
      show_focus "$window"
      e2e_stacks "$pid"
      fail "the game did not start"
      return
    fi
  fi
  leave "$way" "$window" || return
  if ! e2e_wait_until 15 process_ended; then
    show_focus "$window"
    e2e_stacks "$pid"
    fail "the shell did not end within 15 s"
    return
  fi
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  pid=
  check_image "$failure" || return
  check_files "$failure" || return
  passed=$((passed + 1))
  echo "ok $case_name (exit $status)"
}
# show_focus WINDOW: which X window has the keyboard (the main window is
# WINDOW), and the X server's windows, for a key that seems lost.
show_focus() {
  local focus
  focus=$(xdotool getwindowfocus -f 2>/dev/null)
  echo "keyboard focus on $focus \"$(xdotool getwindowname "$focus" 2>/dev/null)\", the main window is $1"
  xwininfo -root -tree 2>/dev/null | grep -E '^ +0x' | head -40
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
# Files kept elsewhere behind links, and a folder that cannot be written.
run_case idle exit links
run_case running TERM links
if can_fix_folders; then
  run_case idle exit fixed
  run_case running altf4 fixed
else
  echo "skipped: a folder cannot be made unwritable here"
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
