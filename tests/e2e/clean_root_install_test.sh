#!/usr/bin/env bash
# The Debian package installed as a user of RELEASE installs it: a clean
# minimal RELEASE (scripts/root.sh keeps one as a tarball) is unpacked,
# `apt install ./velira_….deb` must bring every library the package needs
# from RELEASE's own archive, and the installed `velira` must then start
# and show its main window on Xvfb there.
#
# Usage (as root, on the machine): clean_root_install_test.sh DEB RELEASE
#   RELEASE: bookworm or trixie; the package's version must name it
#   (+deb12, +deb13).
# Inside the root it runs itself again as: clean_root_install_test.sh
# --inside /tmp/NAME.deb
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "FAIL: $*"
  exit 1
}

if [ "${1:-}" = --inside ]; then
  deb=$2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null || fail "apt-get update failed in the clean root"
  # As a user would: the package alone, with what it recommends.
  apt-get install -y -q "$deb" >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; fail "apt install $deb failed"; }
  echo "ok: apt installed $(dpkg-query -W -f='${Package} ${Version}' velira) and $(grep -c '^Setting up' /tmp/apt.log) packages with it"
  command -v velira >/dev/null || fail "the package put no velira on the PATH"
  missing=$(ldd "$(command -v velira)" | grep 'not found' || true)
  [ -z "$missing" ] || fail "libraries the package does not bring: $missing"
  # Qt's X11 platform plugin is the one a desktop loads; its libraries come
  # with Qt's GUI package, which the package depends on.
  plugin=$(find /usr/lib -path '*qt6/plugins/platforms/libqxcb.so' | head -1)
  [ -n "$plugin" ] || fail "no Qt X11 platform plugin after the install"
  missing=$(ldd "$plugin" | grep 'not found' || true)
  [ -z "$missing" ] || fail "the Qt X11 platform plugin lacks: $missing"
  # Only now the test's own tools: the X server and xdotool.
  apt-get install -y -q --no-install-recommends xvfb xauth xdotool >/tmp/apt-tools.log 2>&1 ||
    { cat /tmp/apt-tools.log; fail "cannot install Xvfb and xdotool in the clean root"; }
  source "$here/lib.sh"
  e2e_private_home
  e2e_start_xvfb
  (cd "$HOME" && QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null exec velira >"$HOME/shell.log" 2>&1) &
  pid=$!
  e2e_on_exit "kill -9 $pid 2>/dev/null || true"
  window=$(e2e_window "$pid" 60 Velira) || { cat "$HOME/shell.log"; fail "velira showed no main window within 60 s"; }
  echo "ok: velira $(dpkg-query -W -f='${Version}' velira) shows its window $window on $DISPLAY"
  # It ends when its window is closed, and writes the user's files.
  xdotool mousemove --window "$window" 300 200 click 1 key alt+F4
  shell_ended() { ! kill -0 "$pid" 2>/dev/null; }
  e2e_wait_until 30 shell_ended || { cat "$HOME/shell.log"; fail "velira did not end within 30 s of Alt+F4"; }
  [ -f "$XDG_CONFIG_HOME/velira/velira.ini" ] || fail "no settings file in $XDG_CONFIG_HOME/velira"
  echo "ok: velira ended on Alt+F4 and kept its settings in the XDG folders"
  exit 0
fi

deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
release=${2:?usage: clean_root_install_test.sh DEB RELEASE}
[ -f "$deb" ] || fail "no package $deb"
case $release in
  bookworm) suffix=+deb12 ;;
  trixie) suffix=+deb13 ;;
  *) fail "no clean root for $release: bookworm or trixie" ;;
esac
version=$(dpkg-deb -f "$deb" Version)
[[ $version == *"$suffix" ]] || fail "the package's version $version does not name $release ($suffix)"

root_script=$here/../../scripts/root.sh
"$root_script" make "$release-minbase"
roots=$(dirname "$("$root_script" path "$release-minbase")")
root=$(mktemp -d "$roots/.install-$release.XXXXXX")
cleanup() {
  # Nothing is mounted there once root.sh has ended; --one-file-system
  # guards against what might still be.
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
tar -C "$root" --numeric-owner -xzf "$("$root_script" path "$release-minbase")" ||
  fail "cannot unpack the clean $release root"
[ "$(. "$root/etc/os-release" && echo "$VERSION_CODENAME")" = "$release" ] || fail "the clean root is not $release"
cp "$deb" "$root/tmp/"
"$root_script" run "$root" bash /src/tests/e2e/clean_root_install_test.sh --inside "/tmp/$(basename "$deb")"
