#!/usr/bin/env bash
# The README's pictures of the main window during the game, made from the
# real program on a 1280x1024 Xvfb: at the first start's size in the
# desktop's colours, and in yellow on black. Writes docs/main-window.png and
# docs/yellow-on-black.png.
#
# Usage: tools/screenshots.sh [RUN_DIR]   (default build/run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run_dir=${1:-$root/build/run}
e2e=$root/tests/e2e
source "$e2e/lib.sh"
e2e_start_accessible_desktop 1280x1024x24
frames=$E2E_FRAMES

dir=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && { kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  rm -rf "$dir"
}
e2e_on_exit cleanup

shoot() { # scheme, output file, the scheme's text colour (RRGGBB)
  cp -r "$run_dir"/. "$dir"/
  rm -f "$dir/ram.dat"
  printf '[environment]\nlanguage=2000\n[voice]\nvoiceallowed=0\n[view]\nscheme=%s\n' "$1" >"$dir/velira.ini"
  (cd "$dir" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ALSOFT_DRIVERS=null \
    exec ./velira >/dev/null 2>&1) &
  pid=$!
  window=$(e2e_window "$pid" 10 Velira) || { echo "no window"; exit 1; }
  xdotool mousemove --window "$window" 20 60 click 1
  # The game: no instructions, speed 4, the engines started.
  xdotool key ctrl+s
  /usr/bin/python3 "$e2e/atspi_screen.py" wait 60 "vieš čo máš robiť" >/dev/null
  xdotool type a
  /usr/bin/python3 "$e2e/atspi_screen.py" wait 60 "rýchlosť" >/dev/null
  xdotool type 4
  /usr/bin/python3 "$e2e/atspi_screen.py" wait 60 "spusti motor" >/dev/null
  xdotool mousemove 1279 1023
  text_colour=$3
  caret_painted() { [ "$(e2e_caret_colour)" = "$text_colour" ]; }
  e2e_wait_until 20 caret_painted || { echo "the last print was not painted"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$window")"
  /usr/bin/python3 "$e2e/xwd.py" png "$frames/Xvfb_screen0" "$X" "$Y" "$WIDTH" "$HEIGHT" "$2"
  kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; pid=
  echo "wrote $2 (${WIDTH}x$HEIGHT)"
}

mkdir -p "$root/docs"
shoot desktop "$root/docs/main-window.png" 000000
shoot yellowonblack "$root/docs/yellow-on-black.png" FFFF00
