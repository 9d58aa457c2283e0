#!/usr/bin/env bash
# Installs what is missing, builds in release mode and starts the shell in
# build/run, the folder that holds the executable and its data files.
source "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
install_packages
install_locales
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELIRA_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
cd build/run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a ./velira
fi
exec ./velira
