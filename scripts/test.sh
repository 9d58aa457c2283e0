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
asan_env=(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
tsan_env=("TSAN_OPTIONS=suppressions=$PWD/tests/tsan_suppressions.txt second_deadlock_stack=1")

# The tests spend most of their time waiting for the X server, the speech
# server and BRLTTY, so the next pass's build runs beside them at the lowest
# priority: it takes only the time the tests leave idle.
background_build=
trap '[ -z "$background_build" ] || kill -- "-$background_build" 2>/dev/null || true' EXIT
build_in_background() { # folder, then what cmake --build takes
  local folder=$1
  shift
  # A session of its own, so that a failure elsewhere stops the whole build.
  setsid nice -n 19 cmake --build "$folder" -j"$jobs" "$@" >"$folder/build.log" 2>&1 &
  background_build=$!
}
wait_for_build() { # folder
  wait "$background_build" || { cat "$1/build.log"; echo "the build in $1 failed"; exit 1; }
  background_build=
  tail -n 3 "$1/build.log"
}

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELIRA_SANITIZE=ON
build_in_background build-asan

ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 300
# ctest runs every test in a process of its own; each test program must also
# pass with all its tests in one process, in their order and shuffled (a
# fixed seed, so that a failure can be repeated), so that no test depends on
# what another left behind.
for program in velira_core_tests velira_qt_tests velira_adapter_tests; do
  build-test/tests/$program --gtest_brief=1
  build-test/tests/$program --gtest_brief=1 --gtest_shuffle --gtest_random_seed=17
done

wait_for_build build-asan
# The speech engines, the braille display and OpenAL work on threads of their
# own: the tests that run them are built with ThreadSanitizer too.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELIRA_SANITIZE_THREAD=ON
build_in_background build-tsan --target velira_adapter_tests velira_qt_tests

env "${asan_env[@]}" ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
for program in velira_core_tests velira_qt_tests velira_adapter_tests; do
  env "${asan_env[@]}" build-asan/tests/$program --gtest_brief=1
done

# Each program whole in one process under ThreadSanitizer. It fails the run
# on any report (exit code 66); the suppressions are for what it cannot see
# inside the system libraries.
wait_for_build build-tsan
for program in velira_adapter_tests velira_qt_tests; do
  env "${tsan_env[@]}" build-tsan/tests/$program --gtest_brief=1
done
