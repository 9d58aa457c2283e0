#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless: once in an
# optimized build, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the adapter and window tests, where the
# threads are, under ThreadSanitizer.
source "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
install_packages
install_locales
export QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null
jobs=$(nproc)

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 300
# ctest runs every test in a process of its own; each test program must also
# pass with all its tests in one process, in their order and shuffled (a
# fixed seed, so that a failure can be repeated), so that no test depends on
# what another left behind.
for program in velira_core_tests velira_qt_tests velira_adapter_tests; do
  build-test/tests/$program --gtest_brief=1
  build-test/tests/$program --gtest_brief=1 --gtest_shuffle --gtest_random_seed=17
done

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELIRA_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
for program in velira_core_tests velira_qt_tests velira_adapter_tests; do
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build-asan/tests/$program --gtest_brief=1
done

# The speech engines, the braille display and OpenAL work on threads of their
# own: the tests that run them, each program whole in one process, under
# ThreadSanitizer. It fails the run on any report (exit code 66); the
# suppressions are for what it cannot see inside the system libraries.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELIRA_SANITIZE_THREAD=ON
cmake --build build-tsan -j"$jobs" --target velira_adapter_tests velira_qt_tests
for program in velira_adapter_tests velira_qt_tests; do
  TSAN_OPTIONS="suppressions=$PWD/tests/tsan_suppressions.txt second_deadlock_stack=1" \
    build-tsan/tests/$program --gtest_brief=1
done
