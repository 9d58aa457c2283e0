#!/usr/bin/env bash
# The screen stays current while the program waits without reading keys.
# The real executable on Xvfb, its windows read through AT-SPI as a screen
# reader reads them, with the voice off and the device sounds on: after "n"
# at the game's first question the instructions are printed and the
# direction signals are demonstrated, 75 clicks during which the program
# reads no key. Meanwhile
#   - the printed instructions can be read through AT-SPI,
#   - the screen is repainted as they are printed (Xvfb's frame buffer),
#   - a key pressed (F1, the keyboard echo command) is not handled before
#     the demonstrations end, and is handled then: it was not lost.
# Run under cs_CZ.UTF-8 when that locale exists.
#
# Usage: screen_during_waits_test.sh RUN_DIR
# Exits 77 (skipped) when the X or accessibility tools are missing.
set -euo pipefail
run_dir=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/lib.sh"
e2e_require_accessibility_tools
e2e_start_accessible_desktop 1024x768x24
frames=$E2E_FRAMES

dir=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
e2e_on_exit cleanup
cp -r "$run_dir"/. "$dir"/
rm -f "$dir/ram.dat"
printf '[voice]\nvoiceallowed=0\n[sounds]\nvelirasounds=1\nsndvolume=0\n[keyboard]\necho=1\n' \
  >"$dir/velira.ini"
locale=C.UTF-8
if locale -a 2>/dev/null | grep -ix 'cs_CZ.utf8' >/dev/null; then locale=cs_CZ.UTF-8; fi

fail() {
  echo "FAIL: $*"
  echo "--- shell log"; tail -20 "$dir/shell.log" 2>/dev/null || true
  exit 1
}
screen() { /usr/bin/python3 "$here/atspi_screen.py" "$@"; }
frame() { md5sum "$frames/Xvfb_screen0" | cut -d' ' -f1; }
echo_setting_is() { grep -q "^echo=$1\$" "$dir/velira.ini"; }

(cd "$dir" && LANG=$locale LC_ALL=$locale QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  ALSOFT_DRIVERS=null exec ./velira >>shell.log 2>&1) &
pid=$!
window=
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || fail "the shell ended at start-up"
  window=$(xdotool search --onlyvisible --pid "$pid" --name Velira 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no main window within 10 s"
# No window manager: a click gives the window the keyboard focus.
xdotool mousemove --window "$window" 300 200 click 1

xdotool key ctrl+s
screen wait 60 "vieš čo máš robiť" || fail "the first question never showed"
# The instructions follow; the clicks of the demonstrations come after the
# seventh, and the eleventh follows the last click.
seconds=$(screen press n 60 "menujem ťa prvým dôstojníkom" "torpédo odpáliš") ||
  fail "the first instruction could not be read while the signals were demonstrated: $seconds"
echo "ok: the first instruction was read through AT-SPI $seconds s after the key, during the demonstrations"

screen wait 60 "plavidlo z ľavej strany" "torpédo odpáliš" || fail "the eighth instruction"
painted_before=$(frame)
xdotool key F1
screen wait 60 "a zo zadu" "torpédo odpáliš" || fail "the tenth instruction"
[ "$(frame)" != "$painted_before" ] || fail "the screen was not repainted during the demonstrations"
echo "ok: the screen was repainted while the signals were demonstrated"
echo_setting_is 1 || fail "F1 was handled while the program read no keys: $(grep echo= "$dir/velira.ini")"
e2e_wait_until 60 echo_setting_is 2 || fail "F1 was lost: $(grep echo= "$dir/velira.ini")"
screen wait 60 "zvoľ rýchlosť plauby" || fail "the speed question never showed"
echo "ok: F1 pressed during the demonstrations was handled after them"
