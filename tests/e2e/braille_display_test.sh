#!/usr/bin/env bash
# The braille display through a real BRLTTY: its TTY driver on a
# pseudo-terminal (tests/e2e/brltty_pty.py), no screen driver, a private
# BrlAPI host. The real shell on Xvfb starts before the server, connects
# when it comes, shows the data-entry field and pans through it, gives the
# display back while another program has the focus, connects again after
# the server went away, and shows the game's first question.
#
# Usage: braille_display_test.sh RUN_DIR
# Exits 77 (skipped) when BRLTTY or the X tools are missing.
set -euo pipefail
run_dir=$1
here=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb xdotool xmessage brltty python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"; exit 77
  fi
done
# BrlAPI keeps its local sockets there.
mkdir -p /var/lib/BrlAPI 2>/dev/null || { echo "skipped: cannot create /var/lib/BrlAPI"; exit 77; }

source "$here/lib.sh"
e2e_private_home
e2e_start_speechd "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"
e2e_start_xvfb
# The library puts the desktop's virtual terminal in front of the tty path;
# this BRLTTY has no screen and so no terminals.
unset WINDOWPATH XDG_VTNR

dir=$(mktemp -d)
pid=
server=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  stop_server
  rm -rf "$dir"
}
e2e_on_exit cleanup
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat" "$dir/velira.ini"
printf '[voice]\nvoiceallowed=0\n' >"$dir/velira.ini"

# A host number no other server on this machine uses.
host=
for _ in $(seq 1 50); do
  n=$((200 + RANDOM % 700))
  if [ ! -e "/var/lib/BrlAPI/$n" ] && [ ! -e "/var/lib/BrlAPI/.$n" ]; then host=$n; break; fi
done
[ -n "$host" ] || { echo "FAIL: no free BrlAPI host number"; exit 1; }
# BRLTTY leaves its socket behind when it is stopped.
e2e_on_exit "rm -f /var/lib/BrlAPI/$host /var/lib/BrlAPI/.$host"

fail() {
  echo "FAIL: $*"
  echo "--- display"; cat "$dir/brltty/display" 2>/dev/null || true
  echo "--- brltty log"; cat "$dir/brltty/brltty.log" 2>/dev/null || true
  echo "--- shell log"; cat "$dir/shell.log" 2>/dev/null || true
  exit 1
}

start_server() {
  rm -rf "$dir/brltty"
  mkdir -p "$dir/brltty"
  python3 "$here/brltty_pty.py" "$dir/brltty" "$host" &
  server=$!
  e2e_wait_until 20 test -p "$dir/brltty/keys" || fail "the BRLTTY helper did not start"
}
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=
  fi
}

# What the display shows: its text, its cells (Unicode braille), its cursor.
shown_text() { sed -n 1p "$dir/brltty/display" 2>/dev/null; }
shown_cells() { sed -n 2p "$dir/brltty/display" 2>/dev/null; }
shown_cursor() { sed -n 3p "$dir/brltty/display" 2>/dev/null; }
shows() { [ "$(shown_text)" = "$1" ] && [ "$(shown_cursor)" = "$2" ]; }
expect_shown() {
  e2e_wait_until 20 shows "$1" "$2" ||
    fail "$3: the display shows \"$(shown_text)\" with the cursor at $(shown_cursor), not \"$1\" at $2"
}
press() { printf "$1" >"$dir/brltty/keys"; }
# The driver's arrow keys (vt100 keypad mode): panning and lines.
PAN_LEFT='\033OD'
PAN_RIGHT='\033OC'
LINE_DOWN='\033OB'

focus_shell() {
  # No window manager: the test hands the focus around itself.
  xdotool windowfocus "$window"
  xdotool mousemove --window "$window" 300 200 click 1
}

# 1. No server: the shell starts at once, says nothing about it, and keeps
# trying in the background.
started=$(date +%s%N)
(cd "$dir" && LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8 QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null \
  BRLAPI_HOST=:$host BRLAPI_AUTH=none exec ./velira >>shell.log 2>&1) &
pid=$!
window=
find_window() { window=$(xdotool search --onlyvisible --pid "$pid" --name Velira 2>/dev/null | head -1 || true); [ -n "$window" ]; }
e2e_wait_until 20 find_window || fail "no main window"
shown_ms=$((($(date +%s%N) - started) / 1000000))
windows=$(xdotool search --onlyvisible --pid "$pid" --name . 2>/dev/null | wc -l)
[ "$windows" -eq 1 ] || fail "$windows windows at start-up without a server: a message was shown"
echo "main window shown after $shown_ms ms without a braille server"
focus_shell

# 2. The server comes: the shell connects and shows its empty screen line.
start_server
expect_shown "" 0 "after the server came"

# 3. The data-entry field, longer than the display: the window follows the
# caret, panning walks the line.
xdotool key ctrl+t
line=abcdefghijabcdefghijabcdefghijabcdefghijKLMNOPQRST
dialog_open() { xdotool search --all --onlyvisible --pid "$pid" --name "data" >/dev/null 2>&1; }
e2e_wait_until 20 dialog_open || fail "the data-entry dialog did not open"
xdotool type --delay 20 "$line"
expect_shown "KLMNOPQRST" 10 "the field with its caret at the end"
press "$PAN_LEFT"
expect_shown "${line:0:40}" -1 "panned left"
cells=$(shown_cells)
# Dots from the shell's table: a = dot 1, b = dots 1 2.
[ "${cells:0:2}" = "⠁⠃" ] || fail "the cells of \"ab\" are $cells"
press "$PAN_RIGHT"
expect_shown "KLMNOPQRST" 10 "panned right"
# Capitals carry dot 7: K = dots 1 3 and 7.
cells=$(shown_cells)
[ "${cells:0:1}" = "⡅" ] || fail "the cell of K is ${cells:0:1}"
xdotool key Return
e2e_wait_until 20 eval "! dialog_open" || fail "the dialog did not close: $(xdotool search --onlyvisible --pid "$pid" --name . getwindowname %@ 2>&1)"
focus_shell
expect_shown "" 0 "the main window after the dialog"

# 4. Another program takes the focus: BRLTTY has the display again; the
# focus back gives it to the shell.
LC_ALL=C xmessage -name other "another program" &
other=$!
e2e_on_exit "kill $other 2>/dev/null"
other_window=
find_other() { other_window=$(xdotool search --onlyvisible --classname "^other$" 2>/dev/null | head -1 || true); [ -n "$other_window" ]; }
e2e_wait_until 20 find_other || fail "xmessage did not open"
xdotool windowfocus --sync "$other_window" || fail "could not focus xmessage"
# A key of the display now reaches BRLTTY, which shows its own screen again.
given_back() {
  press "$LINE_DOWN"
  sleep 0.2
  [ "$(shown_text)" = "no screen" ]
}
e2e_wait_until 20 given_back || fail "the display was not given back: $(shown_text)"
focus_shell
expect_shown "" 0 "the focus came back"

# 5. The server goes away and comes back: the shell connects again.
stop_server
start_server
expect_shown "" 0 "after the server came back"

# 6. The main window follows the program's print: the first question stays
# on the display while the game waits for its answer.
xdotool key ctrl+s
expect_shown "hra loď. vieš čo máš robiť?" -1 "the game's first question"
cells=$(shown_cells)
# h = dots 1 2 5, r = 1 2 3 5, a = 1; ď = 1 4 5 6 from the shell's table.
[ "${cells:0:3}" = "⠓⠗⠁" ] || fail "the cells of \"hra\" are $cells"
[ "${cells:6:1}" = "⠹" ] || fail "the cell of ď is ${cells:6:1}"

kill -9 "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
echo "PASS"
