#!/usr/bin/env bash
# The real executable on a real X server (Xvfb), driven by real key events
# as a user drives it: Ctrl+S starts the game, "a" skips the instructions,
# "4" picks the fastest speed, Up+Left+Right together start the engine, and
# without firing the ship is hit at the first attack, which dismisses the
# player and ends the run. OpenAL's wave driver records what the user hears.
#
# Usage: game_run_test.sh RUN_DIR game    the whole game, then Exit
#        game_run_test.sh RUN_DIR czech   the same on a Czech desktop: under
#                                         cs_CZ.UTF-8 with the cz layout, where
#                                         the speed takes Shift and the digit key
#        game_run_test.sh RUN_DIR killed  SIGKILL during a run, then a restart
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail
run_dir=$1
mode=$2

for tool in Xvfb xdotool xclip sox speech-dispatcher; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"; exit 77
  fi
done

source "$(dirname "$0")/lib.sh"
e2e_private_home
e2e_start_xvfb
# A speech-dispatcher of our own where the shell looks for one, so that it
# never starts the system's.
e2e_start_speechd "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"

# The key that answers the speed question with 4, and the shell's locale.
speed_key=4
shell_locale=
if [ "$mode" = czech ]; then
  e2e_require_locale cs_CZ.UTF-8
  setxkbmap -layout cz || { echo "FAIL: setxkbmap cannot set the cz layout (package xkb-data)"; exit 1; }
  # The digit row of the Czech layout types ě š č ř ž ý á í é; with Shift it
  # types the digits. 13 is the X key code of the fourth key of that row.
  speed_key=shift+13
  shell_locale=cs_CZ.UTF-8
fi

dir=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  rm -rf "$dir"
}
e2e_on_exit cleanup
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat" "$dir/velira.ini"
# A memory image of sevens: what the shell loads must come back whole.
head -c 65536 /dev/zero | tr '\0' '\7' >"$dir/ram.dat"
cp "$dir/ram.dat" "$dir/ram.before"
# No voice: espeak-ng would speak each printed text to its end.
printf '[voice]\nvoiceallowed=0\n' >"$dir/velira.ini"
cp "$dir/velira.ini" "$dir/velira.before"
printf '[general]\ndrivers=wave\n[wave]\nfile=%s/heard.wav\n' "$dir" >"$dir/alsoft.conf"

fail() {
  echo "FAIL: $*"
  echo "--- shell log"; cat "$dir/shell.log" 2>/dev/null || true
  exit 1
}

start_shell() {
  (cd "$dir" && if [ -n "$shell_locale" ]; then export LANG=$shell_locale; unset LC_ALL; fi &&
    QT_QPA_PLATFORM=xcb ALSOFT_CONF="$dir/alsoft.conf" ALSOFT_DRIVERS=wave \
    exec ./velira >>shell.log 2>&1) &
  pid=$!
  window=$(e2e_window "$pid" 20 'velira - ') || fail "no main window within 20 s"
  e2e_focus "$window" || fail "the main window did not take the keyboard focus"
}

# Each key when the game has asked for it, as a user answers what they hear.
start_game() {
  xdotool key ctrl+s
  e2e_wait_until 30 e2e_screen_shows "$window" 'vieš čo máš robiť' || fail "the game did not start"
  xdotool key a
  e2e_wait_until 60 e2e_screen_shows "$window" 'zvoľ rýchlosť' || fail "no question for the speed"
  xdotool key "$speed_key"
  e2e_wait_until 60 e2e_screen_shows "$window" 'spusti motor' || fail "the ship did not get ready"
  # The start chord: the three keys held together for as long as a hand
  # holds them.
  xdotool keydown Up keydown Left keydown Right
  sleep 0.3
  xdotool keyup Right keyup Left keyup Up
}

exit_by_menu() {
  # Program menu, then its Exit item (Czech captions: "&Program", "Kon&ec").
  local before
  before=$(e2e_window_count "$pid")
  xdotool key alt+p
  e2e_wait_until 10 menu_open "$before" || fail "the Program menu did not open"
  xdotool key e
  e2e_wait_until 10 shell_ended || fail "Exit from the menu did not end the shell"
  wait "$pid" || true
  pid=
}
menu_open() { [ "$(e2e_window_count "$pid")" -gt "$1" ]; }
shell_ended() { ! kill -0 "$pid" 2>/dev/null; }

byte_at() { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '; }

case $mode in
game | czech)
  start_shell
  start_game
  # A look at the screen a second, until the run has ended.
  E2E_POLL_S=1 e2e_wait_until 180 e2e_screen_shows "$window" hotovo ||
    fail "the screen never showed \"hotovo\"; it held: $(e2e_screen_text "$window")"
  text=$(e2e_screen_text "$window")
  grep -q "prepúšťam z armády" <<<"$text" || fail "no dismissal on the screen: $text"
  echo "ok: the screen shows the dismissal and \"hotovo\""
  exit_by_menu

  size=$(stat -c %s "$dir/ram.dat")
  [ "$size" -eq 65536 ] || fail "ram.dat is $size bytes"
  [ "$(byte_at "$dir/ram.dat" 50730)" = 0 ] || fail "address 50730 is not 0"
  [ "$(byte_at "$dir/ram.dat" 51257)" = 0 ] || fail "address 51257 is not 0"
  [ "$(byte_at "$dir/ram.dat" 100)" = 7 ] || fail "the loaded memory image was lost"
  echo "ok: ram.dat whole, the game's guard cleared, the rest kept"

  for line in voiceallowed=0 velirasounds=1 sndvolume=0 braillekeys=0 echo=1 autochanging=0; do
    grep -q "^$line" "$dir/velira.ini" || fail "velira.ini lacks $line: $(cat "$dir/velira.ini")"
  done
  echo "ok: velira.ini holds the settings"

  [ -s "$dir/heard.wav" ] || fail "nothing was recorded"
  stats=$(sox "$dir/heard.wav" -n stat 2>&1)
  amplitude=$(awk '/Maximum amplitude/ {print $3}' <<<"$stats")
  seconds=$(awk '/Length \(seconds\)/ {print $3}' <<<"$stats")
  awk -v a="$amplitude" -v s="$seconds" 'BEGIN { exit !(a > 0.05 && s > 2) }' ||
    fail "the recording is silent or short: amplitude $amplitude, $seconds s"
  echo "ok: the recording holds sound (amplitude $amplitude over $seconds s)"
  ;;
killed)
  # Killed at moments across the start-up, while the settings file is being
  # rewritten key by key: each state left is one whole file.
  for delay in 0.05 0.1 0.2 0.3 0.5 0.8; do
    (cd "$dir" && QT_QPA_PLATFORM=xcb ALSOFT_CONF="$dir/alsoft.conf" ALSOFT_DRIVERS=wave \
      exec ./velira >>shell.log 2>&1) &
    pid=$!
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    cmp -s "$dir/ram.dat" "$dir/ram.before" || fail "ram.dat changed by a killed start-up"
    grep -q "^voiceallowed=0" "$dir/velira.ini" || fail "killed after ${delay}s: the voice setting was lost"
    if grep -Ev '^(\[[a-zA-Z]+\]|[a-zA-Z0-9]+=.*|)$' "$dir/velira.ini"; then
      fail "killed after ${delay}s: velira.ini is torn: $(cat "$dir/velira.ini")"
    fi
  done
  cp "$dir/velira.ini" "$dir/velira.before"
  echo "ok: killed start-ups leave whole files"

  start_shell
  start_game
  # Killed while the engine starts.
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  # Each file is either the one it was or a whole new one.
  cmp -s "$dir/ram.dat" "$dir/ram.before" || [ "$(stat -c %s "$dir/ram.dat")" -eq 65536 ] ||
    fail "ram.dat is torn after SIGKILL"
  if ! cmp -s "$dir/velira.ini" "$dir/velira.before"; then
    for line in voiceallowed=0 velirasounds= echo=; do
      grep -q "^$line" "$dir/velira.ini" || fail "velira.ini is torn after SIGKILL: $(cat "$dir/velira.ini")"
    done
  fi
  echo "ok: after SIGKILL both files are whole"

  start_shell
  exit_by_menu
  # The killed run wrote nothing, so the image read at the restart is the
  # one from before, and Exit writes it back unchanged.
  cmp -s "$dir/ram.dat" "$dir/ram.before" || fail "the restart lost the memory image"
  grep -q "^voiceallowed=0" "$dir/velira.ini" || fail "the restart lost the settings"
  echo "ok: the restart kept the memory image and the settings"
  ;;
*)
  echo "unknown mode $mode"; exit 2
  ;;
esac
