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
  xvfb xauth xdotool xclip sox
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}
