#!/usr/bin/env bash
# The shell installed as a user gets it: `cmake --install` into a prefix,
# and the Debian package that CPack makes, unpacked with dpkg-deb (never
# installed on this machine). Each installed tree is made read-only and run
# on Xvfb with a private home: start, Ctrl+S, Alt+F4. The per-user files must
# appear in the XDG folders, nothing in the installation or the current
# directory may change, and a sound bank of the user's own must be the one
# played.
#
# Usage: install_test.sh BUILD_DIR VERSION [lint]
#   lint: also run lintian on the package (errors fail the test).
# Exits 77 (skipped) when a tool is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
lint=${3:-}

for tool in Xvfb xdotool sox cpack dpkg-deb python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"; exit 77
  fi
done
[ "$lint" != lint ] || command -v lintian >/dev/null || { echo "skipped: no lintian"; exit 77; }

source "$(dirname "$0")/lib.sh"
e2e_private_home
e2e_start_xvfb
# A speech-dispatcher of our own where the shell looks for one, so that it
# never starts the system's.
e2e_start_speechd "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
e2e_on_exit cleanup

fail() {
  echo "FAIL: $*"
  echo "--- shell log"; cat "$work"/shell.log 2>/dev/null || true
  exit 1
}

# Every entry of a tree with its mode, size and time, and every file's hash:
# any file written, removed or touched shows.
snapshot() {
  (cd "$1" && find . -printf '%p %m %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort)
}

# Starts TREE/bin/velira (or TREE/usr/bin/velira) from an empty current
# directory, OpenAL recording into RECORDING; waits for its main window.
start_shell() {
  local executable=$1 recording=$2
  mkdir -p "$work/cwd"
  printf '[general]\ndrivers=wave\n[wave]\nfile=%s\n' "$recording" >"$work/alsoft.conf"
  (cd "$work/cwd" && QT_QPA_PLATFORM=xcb ALSOFT_CONF="$work/alsoft.conf" ALSOFT_DRIVERS=wave \
    exec "$executable" >>"$work/shell.log" 2>&1) &
  pid=$!
  e2e_wait_until 30 main_window_shown || fail "no main window within 30 s"
  # No window manager: a click gives the window the keyboard focus.
  xdotool mousemove --window "$window" 300 200 click 1
}

main_window_shown() {
  kill -0 "$pid" 2>/dev/null || fail "the shell ended at start-up"
  window=$(xdotool search --onlyvisible --pid "$pid" --name Velira 2>/dev/null | head -1 || true)
  [ -n "$window" ]
}

file_is_whole_image() { [ -f "$1" ] && [ "$(stat -c %s "$1")" -eq 65536 ]; }
shell_ended() { ! kill -0 "$pid" 2>/dev/null; }

# Ctrl+S, a few seconds of the game, then Alt+F4, which writes the memory
# image IMAGE before anything else and ends the shell. The image read at
# the start is removed first, so that only the one written at the end counts.
run_and_leave() {
  local image=$1
  rm -f "$image"
  xdotool key ctrl+s
  # The engine starts at once; let it sound for a while.
  sleep 3
  kill -0 "$pid" 2>/dev/null || fail "the shell ended during the run"
  xdotool key alt+F4
  e2e_wait_until 30 file_is_whole_image "$image" || fail "Alt+F4 wrote no memory image to $image"
  e2e_wait_until 30 shell_ended || fail "the shell did not end within 30 s of Alt+F4"
  wait "$pid" 2>/dev/null || true
  pid=
}

loudness() {
  LC_ALL=C sox "$1" -n stat 2>&1 | LC_ALL=C awk '/Maximum amplitude/ {print $3}'
}

expect_same_tree() {
  snapshot "$1" >"$work/after.txt"
  diff "$2" "$work/after.txt" >/dev/null || fail "the installation changed: $(diff "$2" "$work/after.txt" | head -5)"
  [ -z "$(ls -A "$work/cwd")" ] || fail "files appeared in the current directory: $(ls -A "$work/cwd")"
}

# 1. cmake --install into a prefix, first start with a fresh home.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for path in bin/velira share/velira/sounds.dat share/velira/czech.vbt share/velira/czech.vky \
  share/velira/english.vky share/velira/slovak.vky share/velira/data.dta \
  share/applications/velira.desktop share/metainfo/velira.metainfo.xml \
  share/icons/hicolor/scalable/apps/velira.svg share/icons/hicolor/48x48/apps/velira.png \
  share/man/man1/velira.1.gz share/doc/velira/copyright; do
  [ -f "$prefix/$path" ] || fail "cmake --install made no $path"
done
grep -q '^Name\[cs\]=Překladač Velira Basicu$' "$prefix/share/applications/velira.desktop" ||
  fail "the desktop entry has no Czech name"
grep -Eq '^Categories=.*Game;.*Accessibility;' "$prefix/share/applications/velira.desktop" ||
  fail "the desktop entry is not filed under games and accessibility"
# The licence, in Debian's machine-readable copyright file and in AppStream.
head -n 1 "$prefix/share/doc/velira/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in Debian's machine-readable format"
grep -qx 'License: GPL-3.0-or-later' "$prefix/share/doc/velira/copyright" ||
  fail "the copyright file does not name GPL-3.0-or-later"
grep -q '/usr/share/common-licenses/GPL-3' "$prefix/share/doc/velira/copyright" ||
  fail "the copyright file does not point to the licence's text"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$prefix/share/metainfo/velira.metainfo.xml" ||
  fail "the AppStream file does not name GPL-3.0-or-later"
# Read-only, as an installation is (root may still write: the snapshot
# tells).
chmod -R a-w "$prefix"
snapshot "$prefix" >"$work/prefix.txt"

config=$XDG_CONFIG_HOME/velira
data=$XDG_DATA_HOME/velira
start_shell "$prefix/bin/velira" "$work/first.wav"
[ -f "$config/velira.ini" ] || fail "no settings file $config/velira.ini after the start"
run_and_leave "$data/ram.dat"
for line in velirasounds=1 sndvolume=0 braillekeys=0 echo=0 autochanging=0; do
  grep -q "^$line$" "$config/velira.ini" || fail "the first start's settings lack $line: $(cat "$config/velira.ini")"
done
expect_same_tree "$prefix" "$work/prefix.txt"
echo "ok: installed with cmake --install, the per-user files are in XDG_CONFIG_HOME and XDG_DATA_HOME"

# 2. The Debian package.
cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$work/package/velira_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/package")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velira ] && [ "$(field Version)" = "$version" ] || fail "package $(field Package) $(field Version)"
[ -n "$(field Section)" ] && [ -n "$(field Maintainer)" ] || fail "no section or maintainer"
[ "$(field Recommends)" = speech-dispatcher ] || fail "Recommends: $(field Recommends)"
field Description | grep braille >/dev/null || fail "no description"
for library in libqt6widgets6 libopenal1 libespeak-ng1 libspeechd2 libc6; do
  field Depends | grep "$library" >/dev/null || fail "Depends lacks $library: $(field Depends)"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents.txt"
for path in usr/bin/velira usr/share/velira/sounds.dat usr/share/velira/data.dta \
  usr/share/velira/czech.vbt usr/share/velira/slovak.vky usr/share/applications/velira.desktop \
  usr/share/metainfo/velira.metainfo.xml usr/share/icons/hicolor/scalable/apps/velira.svg \
  usr/share/icons/hicolor/256x256/apps/velira.png usr/share/man/man1/velira.1.gz \
  usr/share/doc/velira/copyright usr/share/doc/velira/changelog.gz; do
  grep -qx "./$path" "$work/contents.txt" || fail "the package lacks /$path"
done
if [ "$lint" = lint ]; then
  lintian "$deb" >"$work/lintian.txt" 2>&1 || true
  if grep '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi
  echo "ok: lintian reports no errors ($(grep -c '^W:' "$work/lintian.txt" || true) warnings)"
fi
echo "ok: the package's fields and files"

# 3. The package's tree, with the XDG variables unset: the usual folders
# under the home. The voice stays silent, so that only the bank sounds.
tree=$work/tree
dpkg-deb -x "$deb" "$tree"
chmod -R a-w "$tree"
snapshot "$tree" >"$work/tree.txt"
unset XDG_CONFIG_HOME XDG_DATA_HOME
config=$HOME/.config/velira
data=$HOME/.local/share/velira
mkdir -p "$config" "$data"
printf '[voice]\nvoiceallowed=0\n' >"$config/velira.ini"
# A memory image of sevens: the one loaded must be the user's.
head -c 65536 /dev/zero | tr '\0' '\7' >"$data/ram.dat"
start_shell "$tree/usr/bin/velira" "$work/shipped.wav"
run_and_leave "$data/ram.dat"
[ "$(od -An -tu1 -j100 -N1 "$data/ram.dat" | tr -d ' ')" = 7 ] || fail "the user's memory image was not loaded"
shipped=$(loudness "$work/shipped.wav")
LC_ALL=C awk -v a="$shipped" 'BEGIN { exit !(a > 0.05) }' || fail "the shipped bank made no sound (amplitude $shipped)"
expect_same_tree "$tree" "$work/tree.txt"
echo "ok: the package's tree runs, the per-user files are in ~/.config and ~/.local/share"

# 4. A bank of the user's own: the shipped one with every wave silenced.
python3 - "$tree/usr/share/velira/sounds.dat" "$data/sounds.dat" <<'EOF'
import struct, sys
bank = bytearray(open(sys.argv[1], 'rb').read())
at = 0
while (at := bank.find(b'RIFF', at)) >= 0:
    end = at + 8 + struct.unpack_from('<I', bank, at + 4)[0]
    chunk, bits = at + 12, 16
    while bank[at + 8:at + 12] == b'WAVE' and chunk + 8 <= end:
        kind, size = bank[chunk:chunk + 4], struct.unpack_from('<I', bank, chunk + 4)[0]
        if kind == b'fmt ':
            bits = struct.unpack_from('<H', bank, chunk + 22)[0]
        elif kind == b'data':
            bank[chunk + 8:chunk + 8 + size] = (b'\x80' if bits == 8 else b'\0') * size
        chunk += 8 + size + (size & 1)
    at = max(end, at + 4)
open(sys.argv[2], 'wb').write(bank)
EOF
start_shell "$tree/usr/bin/velira" "$work/own.wav"
run_and_leave "$data/ram.dat"
own=$(loudness "$work/own.wav")
LC_ALL=C awk -v a="$own" 'BEGIN { exit !(a < 0.01) }' || fail "the user's silent bank was not the one played (amplitude $own)"
expect_same_tree "$tree" "$work/tree.txt"
echo "ok: the user's own sounds.dat is played (amplitude $own, the shipped bank $shipped)"
