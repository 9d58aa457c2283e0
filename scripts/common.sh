# shellcheck shell=bash
# Shared by the run and test scripts: installs what the build needs.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev libgl-dev
  libopenal-dev libopenal1
  libespeak-ng-dev espeak-ng-data
  libspeechd-dev
  libsimpleini-dev
  libgtest-dev libgmock-dev
  xvfb xauth xdotool xclip sox x11-xkb-utils xkb-data x11-utils
  locales
  speech-dispatcher speech-dispatcher-espeak-ng speech-dispatcher-audio-plugins libao4
  pulseaudio
  brltty libbrlapi-dev
  dpkg-dev lintian file
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-gi dbus-x11
  fonts-dejavu-core
  orca
)

# The locales our users run; the end-to-end tests run under them too.
LOCALES=(cs_CZ sk_SK)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_packages [PACKAGE...]: the packages above and those given.
install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

install_locales() {
  local have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
  for l in "${LOCALES[@]}"; do
    local want
    want=$(echo "$l.utf8" | tr 'A-Z' 'a-z')
    if ! grep -qx "$want" <<<"$have"; then
      echo "Generating locale $l.UTF-8"
      as_root localedef -i "$l" -f UTF-8 "$l.UTF-8"
    fi
  done
}
