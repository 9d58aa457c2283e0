#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless: once in an
# optimized build, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer.
source "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
install_packages
install_locales
export QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null
jobs=$(nproc)

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 300

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELIRA_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
