#!/usr/bin/env bash
# Beside a real screen reader: Debian's Orca on Xvfb, with its own
# preferences folder, on the accessibility bus, speaking through a private
# speech-dispatcher; what it said is read from its debug log (its "SPEECH
# OUTPUT:" lines). The shell starts for the first time beside it.
#   - The first start chooses the desktop voice (one speech server for both).
#   - A whole game with the braille keyboard on, chords and cursor keys:
#     Orca says nothing from the first question to the end, but for an Orca
#     command (Insert+H, learn mode, then Escape) given during the run, which
#     works in the main window.
#   - Tabbing through the voice, sounds and environment dialogs: Orca names
#     each control exactly once.
#   - Typed into the data-entry field, the characters are echoed by the
#     shell alone: Orca says none of them.
#   - Beside an Orca that takes the keys at the display server (46 and
#     later), the shell's quiet settings are in Orca's settings for the
#     shell alone: Orca still echoes what is typed into another program's
#     text field, while the shell runs and after it was killed. The Settings
#     menu's Orca item takes them out and puts them back.
#   - The Settings menu's screen-reader item set to never: the keys reach
#     Orca again, as without this care.
# Orca 49 and later take neither Insert nor the keypad's Insert as their
# modifier on Xvfb: beside them the learn-mode steps are left out, and a
# dialog opened after the game marks the end of what Orca said in it.
#
# Usage: screen_reader_test.sh RUN_DIR [measure]
#   measure: plays the game with [voice] screenreader=never and prints how
#   many times Orca spoke from the first question to the end.
# Exits 77 (skipped) when Orca or the X or accessibility tools are missing.
set -euo pipefail
run_dir=$1
measure=${2:-}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/lib.sh"
e2e_require_accessibility_tools orca script speech-dispatcher
orca_version=$(orca --version 2>/dev/null | grep -o '[0-9][0-9]*' | head -1)
orca_version=${orca_version:-0}
# Qt 6.8 and later hand a program's announcements to the screen reader.
qt_announces() {
  local version
  version=$(pkg-config --modversion Qt6Gui 2>/dev/null || dpkg-query -W -f='${Version}' libqt6gui6 libqt6gui6t64 2>/dev/null | head -1)
  dpkg --compare-versions "${version:-0}" ge 6.8
}
# Orca's learn mode is reachable on Xvfb (its modifier works) up to 48.
learn_mode=yes
[ "$orca_version" -ge 49 ] && learn_mode=
e2e_private_home
e2e_start_xvfb
e2e_start_accessibility
socket=$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock
e2e_start_speechd "$socket"
# Orca and the shell's desktop voice both find the private server here.
export SPEECHD_ADDRESS=unix_socket:$socket

dir=$(mktemp -d)
pid=
orca_pid=
orca_log=$dir/orca.log
cleanup() {
  if [ -n "$pid" ]; then
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if [ -n "$orca_pid" ]; then
    kill "$orca_pid" 2>/dev/null || true
    wait "$orca_pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
e2e_on_exit cleanup
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat" "$dir/velira.ini"
if [ "$measure" = measure ]; then
  printf '[voice]\nvoiceallowed=0\nscreenreader=never\n[keyboard]\nbraillekeys=1\n' >"$dir/velira.ini"
fi

fail() {
  echo "FAIL: $*"
  # Orca ends every other Orca of the user as it starts (--replace): a run
  # of this test from another build tree at the same time ends this one's.
  if [ -n "$orca_pid" ] && ! kill -0 "$orca_pid" 2>/dev/null; then
    echo "Orca ended during the test: another Orca started as this user?"
  fi
  echo "--- what Orca said"; grep -a "SPEECH OUTPUT:" "$orca_log" 2>/dev/null | tail -40 || true
  echo "--- settings"; cat "$dir/velira.ini" 2>/dev/null || true
  echo "--- shell log"; tail -20 "$dir/shell.log" 2>/dev/null || true
  exit 1
}
screen() { /usr/bin/python3 "$here/atspi_screen.py" "$@" >/dev/null; }
# What Orca said, one utterance a line, and how many so far.
said() { grep -a "SPEECH OUTPUT:" "$orca_log" 2>/dev/null | sed -n "$(($1 + 1)),\$p" || true; }
said_count() { grep -ac "SPEECH OUTPUT:" "$orca_log" 2>/dev/null || true; }
orca_said() { said "$1" | grep -qF -- "$2"; }
wait_said() { e2e_wait_until 60 orca_said "$1" "$2" || fail "Orca did not say \"$2\""; }
# Orca's echo of KEY said after the first START utterances: each Orca
# words it its own way ('f ', 'f', 'f.').
echoed() { said "$1" | grep -qE -- "'$2[ .']"; }
wait_echoed() { e2e_wait_until 60 echoed "$1" "$2" || fail "Orca did not echo \"$2\""; }
# How many times Orca logged EVENT (window:activate) of the window titled
# TITLE so far, and whether more than COUNT: each Orca words its log its
# own way, all with the event's name and "(0, 0, TITLE".
window_events() { grep -a -- "$1" "$orca_log" 2>/dev/null | grep -acF -- "(0, 0, $2" || true; }
window_events_more() { [ "$(window_events "$1" "$2")" -gt "$3" ]; }
setting_is() { grep -qi "^$1=$2\$" "$dir/velira.ini" 2>/dev/null; }
# The shell's quiet settings in Orca, where this Orca keeps them: on (set)
# or off (not set).
layer=/org/gnome/orca/default/apps/velira/typing-echo/
orca_quiet_is() {
  if [ "$orca_version" -ge 49 ]; then
    local echo
    echo=$(dconf_user_value key-echo)
    if [ "$1" = on ]; then [ "$echo" = false ]; else [ -z "$echo" ]; fi
  elif [ "$orca_version" -ge 46 ]; then
    local file=$XDG_DATA_HOME/orca/app-settings/velira.conf
    if [ "$1" = on ]; then grep -q '"enableKeyEcho": false' "$file" 2>/dev/null; else [ ! -e "$file" ]; fi
  else
    # The key gate keeps the keys from an older Orca: nothing is set in it.
    [ ! -e "$XDG_DATA_HOME/orca/app-settings/velira.conf" ]
  fi
}
# Whether the user's dconf database holds a value for KEY in the layer (the
# schema's default otherwise).
dconf_user_value() {
  python3 -c 'import sys; from gi.repository import Gio
s = Gio.Settings.new_with_path("org.gnome.Orca.TypingEcho", sys.argv[1])
v = s.get_user_value(sys.argv[2]); print("" if v is None else v)' "$layer" "$1" 2>/dev/null
}
# Another program's text field while Orca runs: Orca echoes what is typed
# there. TITLE names the field's window.
other_program_echoes() {
  local title=$1 entry_pid entry_window before
  before=$(said_count)
  /usr/bin/python3 "$here/gtk_entry.py" "$title" >"$dir/entry.txt" 2>/dev/null &
  entry_pid=$!
  entry_window=$(e2e_window "$entry_pid" 30 "$title") || fail "the GTK field \"$title\" did not show"
  e2e_focus "$entry_window" || fail "the GTK field did not take the keyboard focus"
  # The keys go to the field once Orca has presented it.
  wait_said "$before" "$title"
  wait_said "$before" "text"
  before=$(said_count)
  xdotool key q
  e2e_wait_until 60 echoed "$before" q ||
    fail "Orca did not echo \"q\" typed into \"$title\" (the keyboard focus: $(xdotool getwindowfocus getwindowname 2>&1); the field: $(cat "$dir/entry.txt"))"
  kill "$entry_pid" 2>/dev/null || true
  wait "$entry_pid" 2>/dev/null || true
  echo "ok: Orca echoes what is typed into another program ($title)"
}

# Orca writes its debug file through a buffer that it fills before it
# writes; a terminal's it writes line by line. So it runs in one of
# script's, which puts each line into the log as it comes.
LANG=C.UTF-8 LC_ALL=C.UTF-8 script -qfec "orca --replace --debug-file /dev/tty" \
  "$orca_log" </dev/null >/dev/null 2>&1 &
orca_pid=$!
e2e_wait_until 60 orca_said 0 "Screen reader on." || fail "Orca did not start"

(cd "$dir" && LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  ALSOFT_DRIVERS=null exec ./velira >>shell.log 2>&1) &
pid=$!
window=$(e2e_window "$pid" 30 'velira - ') || fail "no main window within 30 s"
e2e_focus "$window" || fail "the main window did not take the keyboard focus"
# Orca presents the window that got the focus.
wait_said 0 "velira - "

if [ "$measure" != measure ]; then
  e2e_wait_until 30 orca_quiet_is on || fail "the shell's quiet settings are not in Orca $orca_version"
  echo "ok: the shell's settings in Orca $orca_version are as its version needs"
  if [ "$orca_version" -ge 46 ]; then
    e2e_wait_until 30 setting_is orcanotice 1 || fail "the user was not told of the settings in Orca"
    # Where Qt can (6.8, Debian 13), Orca itself presents the notice.
    if qt_announces; then
      wait_said 0 "Velira vypnula ozvěnu kláves Orky"
      echo "ok: Orca presented the shell's notice of what it set"
    fi
  fi
  e2e_wait_until 30 setting_is sapi5 1 || fail "the first start beside Orca did not choose the desktop voice: $(cat "$dir/velira.ini")"
  echo "ok: the first start beside Orca chose the desktop voice"
  # The braille keyboard, by its keyboard command.
  xdotool key ctrl+b
  e2e_wait_until 30 setting_is braillekeys 1 || fail "Ctrl+B did not switch the braille keyboard on"
fi

xdotool key ctrl+s
screen wait 60 "vieš čo máš robiť" || fail "the first question never showed"
first_question=$(said_count)

chord() {
  local key
  for key in "$@"; do xdotool keydown "$key"; done
  for key in "$@"; do xdotool keyup "$key"; done
}

# The keys reach the main window again once Orca hears it become active,
# after the count ACTIVATIONS taken before a dialog or a menu closed. A menu
# gives it the focus back; after a dialog, with no window manager, the
# script does (focus_main_window ACTIVATIONS focus).
activations() { window_events window:activate "velira - "; }
activated_since() { [ "$(activations)" -gt "$1" ]; }
focus_main_window() {
  if [ "${2:-}" = focus ]; then
    e2e_focus "$window" || fail "the main window did not take the keyboard focus back"
  fi
  e2e_wait_until 60 activated_since "$1" || fail "the main window did not become active again"
}
# The environment dialog opened and closed, and the main window active again.
open_close_environment() {
  local opened closed
  opened=$(window_events window:activate "Nastavení prostředí")
  closed=$(window_events window:deactivate "Nastavení prostředí")
  xdotool key ctrl+e
  e2e_wait_until 60 window_events_more window:activate "Nastavení prostředí" "$opened" ||
    fail "the environment dialog did not open"
  local active
  active=$(activations)
  xdotool key Escape
  e2e_wait_until 60 window_events_more window:deactivate "Nastavení prostředí" "$closed" ||
    fail "the environment dialog did not close"
  focus_main_window "$active" focus
}

if [ "$measure" != measure ] && [ -n "$learn_mode" ]; then
  [ "$(said_count)" = "$first_question" ] || fail "Orca spoke at the first question: $(said "$first_question")"
  # An Orca command in the main window during the run: learn mode, then out.
  xdotool key Insert+h
  wait_said "$first_question" "Entering learn mode"
  xdotool key Escape
  wait_said "$first_question" "Exiting learn mode."
  first_question=$(said_count)
  echo "ok: Insert+H and Escape reach Orca in the main window during a run"
fi

# The answers on the braille keyboard: "a" is dot 1 (F); 4 is the number
# sign (dots 3 4 5 6: S J K L) and then dots 1 4 5 (F J K).
chord f
screen wait 60 "zvoľ rýchlosť" || fail "no question for the speed"
chord s j k l
chord f j k
screen wait 60 "spusti motor" || fail "the ship did not get ready"
# The start chord, held as long as a hand holds it; then a fire key.
xdotool keydown Up keydown Left keydown Right
sleep 0.3
xdotool keyup Right keyup Left keyup Up
xdotool key Down
E2E_POLL_S=0.5 screen wait 180 "hotovo" || fail "the run did not end"
# Orca presents what it hears in order: what it said before it enters its
# learn mode (or presents a dialog) now was said during the game.
if [ -n "$learn_mode" ]; then
  xdotool key Insert+h
  wait_said "$first_question" "Entering learn mode"
  xdotool key Escape
  wait_said "$first_question" "Exiting learn mode."
  game_said() { said "$first_question" | sed '/Screen reader version/,$d'; }
else
  open_close_environment
  game_said() { said "$first_question" | sed '/Nastavení prostředí/,$d'; }
fi
spoken=$(game_said | wc -l)

if [ "$measure" = measure ]; then
  echo "Orca spoke $spoken times from the first question to the end:"
  game_said
  exit 0
fi
[ "$spoken" -eq 0 ] || fail "Orca spoke $spoken times during the game: $(game_said)"
echo "ok: Orca said nothing from the first question to the end of the game"

# Each dialog's controls, tabbed through: Orca names each once. The voice
# dialog is that of the shell's own voice, so the desktop voice goes first.
tab_through() {
  local key=$1 title=$2 first=$3
  shift 3
  local start name count opened closed
  start=$(said_count)
  opened=$(window_events window:activate "$title")
  closed=$(window_events window:deactivate "$title")
  xdotool key "$key"
  # The dialog is up once Orca hears it become the active window.
  e2e_wait_until 60 window_events_more window:activate "$title" "$opened" ||
    fail "the dialog \"$title\" did not open"
  wait_said "$start" "'$first"
  for name in "$@"; do
    xdotool key Tab
    wait_said "$start" "'$name"
  done
  local active
  active=$(activations)
  xdotool key Escape
  e2e_wait_until 60 window_events_more window:deactivate "$title" "$closed" ||
    fail "the dialog \"$title\" did not close"
  focus_main_window "$active" focus
  echo "--- $title"; said "$start"
  for name in "$first" "$@"; do
    count=$(said "$start" | grep -cF -- "'$name" || true)
    [ "$count" -eq 1 ] || fail "Orca named \"$name\" $count times in the dialog \"$title\""
  done
  echo "ok: Orca named each control of the dialog \"$title\" once"
}
xdotool key ctrl+p
e2e_wait_until 30 setting_is sapi5 0 || fail "Ctrl+P did not switch the desktop voice off"
tab_through ctrl+h "Nastavení hlasu" "Hlasy" "Výška" "Rychlost" "Hlasitost" "Zvolit hlas" "Zavřít"
tab_through ctrl+d "Nastavení zvuků" "Povolit hlas" "Zvuky Veliry" "Hlasitost zvuků" "Ok" "Zrušit"
tab_through ctrl+e "Nastavení prostředí" "Čeština" "Ok" "Zrušit"

# The data-entry field: its typing is the device's, echoed by the shell;
# Orca presents the dialog but echoes none of the typed characters.
start=$(said_count)
opened=$(window_events window:activate "Vlož data")
closed=$(window_events window:deactivate "Vlož data")
xdotool key ctrl+t
e2e_wait_until 60 window_events_more window:activate "Vlož data" "$opened" ||
  fail "the data-entry field did not open"
xdotool type --delay 100 abc
active=$(activations)
xdotool key Return
e2e_wait_until 60 window_events_more window:deactivate "Vlož data" "$closed" ||
  fail "the data-entry field did not close"
focus_main_window "$active" focus
echo "--- Vlož data"; said "$start"
typed=$(said "$start" | grep -cE "'[abc][ .']" || true)
[ "$typed" -eq 0 ] || fail "Orca echoed $typed characters typed into the data-entry field"
echo "ok: Orca echoed nothing typed into the data-entry field"

# Another program's field, while the shell runs with its settings in Orca
# (away from Orca's learn mode: Orca 48 can still hold the keyboard for a
# moment after it leaves it).
active=$(activations)
other_program_echoes "Jiný program"
focus_main_window "$active" focus

# The Settings menu's items. Each closed menu gives the main window the keys
# back, which Orca hears.
menu_open() { [ "$(e2e_window_count "$pid")" -gt "$1" ]; }
menu_closed() { [ "$(e2e_window_count "$pid")" -le "$1" ]; }
# settings_item LETTER KEY VALUE: the Settings menu's item by its letter,
# which must store KEY=VALUE in velira.ini.
settings_item() {
  local before active
  before=$(e2e_window_count "$pid")
  active=$(activations)
  xdotool key alt+s
  e2e_wait_until 30 menu_open "$before" || fail "Alt+S did not open the Settings menu"
  xdotool key "$1"
  e2e_wait_until 30 setting_is "$2" "$3" || fail "the Settings menu's item $1 did not set $2=$3: $(cat "$dir/velira.ini")"
  e2e_wait_until 30 menu_closed "$before" || fail "the Settings menu did not close"
  focus_main_window "$active"
}
# The Orca item: Orca's own echo in the shell, then the shell's quiet
# settings again.
settings_item n quietorca 0
e2e_wait_until 30 orca_quiet_is off || fail "the Orca item did not take the shell's settings out of Orca"
settings_item n quietorca 1
e2e_wait_until 30 orca_quiet_is on || fail "the Orca item did not put the shell's settings back"
echo "ok: the Settings menu's Orca item takes the settings out of Orca and puts them back"

# The screen-reader item: auto, always, never.
settings_item t screenreader always
settings_item t screenreader never
e2e_wait_until 30 orca_quiet_is off || fail "with never the shell's settings stayed in Orca"
# Orca 46 to 48 read an application's settings as they enter its window:
# the user leaves it for another program and comes back.
active=$(activations)
other_program_echoes "Jiný program"
back=$(said_count)
focus_main_window "$active" focus
# Once Orca has presented the screen control with the focus, the keys reach
# it there; without the care, it echoes the device's keys again.
wait_said "$back" "Obrazovka"
before=$(said_count)
xdotool key f
wait_echoed "$before" f
echo "ok: with [voice] screenreader=never the keys reach Orca as before"

# Killed, the shell leaves Orca as it was everywhere else.
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=
other_program_echoes "Po Veliře"
