#!/usr/bin/env bash
# The screen is seen whole at any size, in the chosen colours, and the view
# is kept. The real executable on a 1280x1024 Xvfb, read through AT-SPI:
#   - at the first start the window fits the desktop and shows the screen in
#     characters at least 24 pixels high;
#   - at window sizes from 640x400 to 1920x1080 and at the whole desktop
#     (maximized; Xvfb has no window manager to maximize it), the character
#     extents put the 80th column of a full line and the 24th row inside the
#     screen control;
#   - each colour scheme, chosen in the Settings menu, colours the screen
#     (Xvfb's frame buffer), and the block caret at the print position is
#     drawn where AT-SPI says the caret is;
#   - Ctrl+Minus, Ctrl+Plus (also on the keypad) and Ctrl+0 change the text
#     size and [view] fontsize;
#   - size, scheme and zoom are kept across a restart.
# Prints the character cell at each size.
#
# Usage: view_test.sh RUN_DIR
# Exits 77 (skipped) when the X or accessibility tools are missing.
set -euo pipefail
run_dir=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/lib.sh"
e2e_require_accessibility_tools
e2e_start_accessible_desktop 1280x1024x24
frames=$E2E_FRAMES

dir=$(mktemp -d)
pid=
stop_shell() {
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
  fi
}
cleanup() { stop_shell; rm -rf "$dir"; }
e2e_on_exit cleanup
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat"
printf '[environment]\nlanguage=2000\n[voice]\nvoiceallowed=0\n' >"$dir/velira.ini"

fail() {
  echo "FAIL: $*"
  echo "--- velira.ini"; cat "$dir/velira.ini" 2>/dev/null || true
  echo "--- shell log"; tail -20 "$dir/shell.log" 2>/dev/null || true
  exit 1
}
screen() { /usr/bin/python3 "$here/atspi_screen.py" "$@"; }
frame() { /usr/bin/python3 "$here/xwd.py" "$1" "$frames/Xvfb_screen0" "${@:2}"; }
view_key() { sed -n "/^\[view\]/,/^\[/s/^$1=//p" "$dir/velira.ini"; }

window=
start_shell() {
  (cd "$dir" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ALSOFT_DRIVERS=null \
    exec ./velira >>shell.log 2>&1) &
  pid=$!
  window=$(e2e_window "$pid" 10 Velira) || fail "no main window within 10 s (or the shell ended)"
  # No window manager: a click gives the window the keyboard focus.
  xdotool mousemove --window "$window" 20 40 click 1
}
window_size() { xdotool getwindowgeometry --shell "$window" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x; }

# The grid as AT-SPI reports it: control x y w h, cell w h, caret x y w h.
grid=
read_grid() { grid=$(screen grid 2>&1); }
grid_field() { echo "$grid" | cut -d' ' -f"$1"; }
cell() { echo "$(grid_field 5)x$(grid_field 6)"; }
# Waits until the window has the size and the grid fits it.
grid_at() {
  [ "$(window_size)" = "$1" ] && read_grid && [ "$(grid_field 3)" -gt 0 ] &&
    [ "$(( $(grid_field 1) + $(grid_field 3) ))" -le "$(( ${1%x*} + 20 ))" ]
}

at_least() { /usr/bin/python3 -c "import sys; sys.exit(0 if float('$1') >= float('$2') else 1)"; }

# 1. The first start, then a full line on the screen.
start_shell
first=$(window_size)
[ "${first%x*}" -le 1280 ] && [ "${first#*x}" -le 1024 ] ||
  fail "the first window $first does not fit the 1280x1024 desktop"
xdotool key ctrl+s
screen wait 60 "vieš čo máš robiť" >/dev/null || fail "the first question never showed"
read_grid || fail "first start: $grid"
first_cell=$(cell)
at_least "${first_cell#*x}" 24 || fail "first start: characters of $first_cell pixels, less than 24 high"
echo "ok: first start on 1280x1024: window $first, character cell $first_cell pixels"

# 2. Every size shows the whole grid.
for size in 640x400 800x600 1024x768 1366x768 1920x1080 1280x1024; do
  xdotool windowsize "$window" "${size%x*}" "${size#*x}"
  e2e_wait_until 20 grid_at "$size" || fail "at $size: $grid"
  [ "$size" = 1280x1024 ] && name="1280x1024 (the whole desktop, as maximized)" || name=$size
  echo "ok: at $name column 80 and row 24 are inside the control; character cell $(cell) pixels"
done

# 3. Each colour scheme through the Settings menu (Alt+S, C), by its place
# in the Colours submenu; the block caret is where AT-SPI puts the caret.
scheme_colours() { # the four most used colours inside the control, most used first
  frame colours "$(grid_field 1)" "$(grid_field 2)" "$(grid_field 3)" "$(grid_field 4)" |
    tr ' ' '\n' | head -4 | cut -d: -f1 | paste -sd ' '
}
# The background is the most used colour, the text among the others
# (smoothed letters have shades between the two).
shows() { local seen; seen=$(scheme_colours); [ "${seen%% *}" = "${1% *}" ] && [[ " $seen " == *" ${1#* } "* ]]; }
place=0
for scheme in desktop whiteonblack yellowonblack blackonwhite blackonyellow; do
  xdotool key alt+s c
  for _ in $(seq 1 $place); do xdotool key Down; done
  xdotool key Return
  place=$((place + 1))
  chosen() { [ "$(view_key scheme)" = "$scheme" ]; }
  e2e_wait_until 20 chosen || fail "the Colours menu did not choose $scheme"
  case $scheme in
    desktop) continue ;;
    whiteonblack) want="000000 FFFFFF" ;;
    yellowonblack) want="000000 FFFF00" ;;
    blackonwhite) want="FFFFFF 000000" ;;
    blackonyellow) want="FFFF00 000000" ;;
  esac
  painted() { read_grid && shows "$want"; }
  e2e_wait_until 20 painted || fail "$scheme: the screen shows $(scheme_colours), not $want"
  # The caret stands on a blank after the question: its cell is the text's colour.
  caret_colour=$(e2e_caret_colour)
  [ "$caret_colour" = "${want#* }" ] ||
    fail "$scheme: the caret's cell at $(grid_field 7),$(grid_field 8) is $caret_colour, not ${want#* }"
  echo "ok: $scheme colours the screen $want, with the block caret where AT-SPI puts it"
done

# 4. Zoom keys: the window and its text, and [view] fontsize.
before=$(cell)
font_is() { [ "$(view_key fontsize)" = "$1" ]; }
smaller_than() { read_grid && ! at_least "$(grid_field 6)" "$1"; }
larger_than() { read_grid && at_least "$(grid_field 6)" "$1" && [ "$(grid_field 6)" != "$1" ]; }
xdotool key ctrl+minus
e2e_wait_until 20 smaller_than "${before#*x}" || fail "Ctrl+Minus left the cell at $(cell) (was $before)"
zoomed_out=$(view_key fontsize)
[ -n "$zoomed_out" ] || fail "Ctrl+Minus did not keep the size"
out=$(cell)
xdotool key ctrl+KP_Subtract
e2e_wait_until 20 smaller_than "${out#*x}" || fail "Ctrl+Minus on the keypad left the cell at $(cell)"
font_is "$((zoomed_out - 2))" || fail "Ctrl+Minus on the keypad kept fontsize=$(view_key fontsize)"
small=$(cell)
xdotool key ctrl+plus
e2e_wait_until 20 larger_than "${small#*x}" || fail "Ctrl+Plus left the cell at $(cell) (was $small)"
font_is "$zoomed_out" || fail "Ctrl+Plus kept fontsize=$(view_key fontsize), not $zoomed_out"
xdotool key ctrl+KP_Add
e2e_wait_until 20 font_is "$((zoomed_out + 2))" || fail "Ctrl+Plus on the keypad"
xdotool key ctrl+minus ctrl+0
e2e_wait_until 20 grid_at "$first" || fail "Ctrl+0 did not go back to the first size $first: $(window_size)"
echo "ok: Ctrl+Minus, Ctrl+Plus (also on the keypad) and Ctrl+0 change the text: $before, $small, back to $(cell)"

# 5. Kept across a restart: the scheme, the size and the zoom.
xdotool key ctrl+minus
e2e_wait_until 20 smaller_than "${first_cell#*x}" || fail "Ctrl+Minus before the restart"
kept_font=$(view_key fontsize)
xdotool windowsize "$window" 1000 700
kept() { [ "$(view_key width)" = 1000 ] && [ "$(view_key height)" = 700 ]; }
e2e_wait_until 20 kept || fail "the window's size was not kept"
stop_shell
start_shell
xdotool key ctrl+s
screen wait 60 "vieš čo máš robiť" >/dev/null || fail "the first question never showed after the restart"
e2e_wait_until 20 grid_at 1000x700 || fail "after the restart the window is $(window_size), not 1000x700"
want="FFFF00 000000"
e2e_wait_until 20 painted || fail "after the restart the screen shows $(scheme_colours), not black on yellow"
font_is "$kept_font" || fail "after the restart fontsize=$(view_key fontsize), not $kept_font"
echo "ok: size, scheme and zoom are kept across a restart"
