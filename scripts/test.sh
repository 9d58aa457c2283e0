#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
install_packages
export QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$(nproc)"
ctest --test-dir build-test --output-on-failure -j"$(nproc)" --timeout 300
