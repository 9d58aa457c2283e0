#!/usr/bin/env bash
# Builds and runs every test headless on each Debian release we support: on
# this machine's own Debian 12 ("bookworm"), then in a Debian 13 ("trixie")
# root file system that scripts/root.sh makes and keeps. Each release's pass
# runs the optimized build with every ctest test, each test program whole in
# order and shuffled, and the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer; on Debian 12 the adapter and window tests, where
# the threads are, also run under ThreadSanitizer. Each pass makes the
# release's Debian package, which then installs with apt in a clean root of
# that release and must start there. Last, the end-to-end test beside a
# screen reader runs again with Orca from trixie-backports.
#
# Usage: test.sh [--release bookworm|trixie|all]...   (all by default)
# Every pass runs even when one before it failed; the command fails at the
# end, naming each step that failed.
set -euo pipefail
# shellcheck disable=SC2317 # the passes' helpers are called through step
source "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."

failures=()
# step DESCRIPTION COMMAND...: runs COMMAND, says how long it took, and
# records a failure instead of stopping, so that the other passes still run.
step() {
  local what=$1 started=$SECONDS status=0
  shift
  echo "=== $what"
  "$@" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "=== $what: passed in $((SECONDS - started)) s"
  else
    echo "=== $what: FAILED (exit $status) after $((SECONDS - started)) s"
    failures+=("$what")
  fi
}
finish() {
  if [ ${#failures[@]} -gt 0 ]; then
    echo "FAILED:"
    printf '  %s\n' "${failures[@]}"
    exit 1
  fi
  echo "All passes passed in $SECONDS s."
}

# --- One release's pass, on the system the script runs on ----------------
#
# test.sh --here PREFIX [tsan]: builds into PREFIXtest, PREFIXasan and (with
# tsan) PREFIXtsan; the root passes run it inside their root. A failed test
# step does not stop the pass; a failed build does, as it leaves nothing to
# test.
here_pass() {
  local prefix=$1 tsan=${2:-}
  local release
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  install_packages
  install_locales
  export QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null
  local jobs
  jobs=$(nproc)
  local asan_env=(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
  local tsan_env=("TSAN_OPTIONS=suppressions=$PWD/tests/tsan_suppressions.txt second_deadlock_stack=1")
  # The roots keep a compiler cache of their own (scripts/root.sh sets
  # CCACHE_DIR), so that a kept root rebuilds only what changed.
  local launcher=()
  if [ -n "${CCACHE_DIR:-}" ] && command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  local test=${prefix}test asan=${prefix}asan tsan_folder=${prefix}tsan

  # The tests spend most of their time waiting for the X server, the speech
  # server and BRLTTY, so the next pass's build runs beside them at the
  # lowest priority: it takes only the time the tests leave idle.
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
    wait "$background_build" || { cat "$1/build.log"; echo "the build in $1 failed"; return 1; }
    background_build=
    tail -n 3 "$1/build.log"
  }
  # ctest. In a root made for the tests every tool is there, so an
  # end-to-end script that skips itself for a missing tool fails the pass
  # there; the skips that hold everywhere (a test of file permissions run as
  # root, a test for an X server in the offscreen run) do not.
  run_ctest() { # folder, then what ctest takes
    local folder=$1 status=0 missing
    shift
    ctest --test-dir "$folder" --output-on-failure -j"$jobs" "$@" || status=$?
    missing=$(grep -E '^skipped: (.*is not installed|no [a-z]+$)' "$folder/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u || true)
    if [ -n "$missing" ]; then
      echo "Tests skipped for a missing tool in $folder:"
      echo "$missing"
      [ -z "${VELIRA_IN_ROOT:-}" ] || { echo "the $release root lacks a tool the tests need: add its package to scripts/common.sh"; status=1; }
    fi
    return "$status"
  }
  # ctest runs every test in a process of its own; each test program must
  # also pass with all its tests in one process, in their order and shuffled
  # (a fixed seed, so that a failure can be repeated), so that no test
  # depends on what another left behind.
  whole_programs() { # folder, then the environment to run them in
    local folder=$1 program
    shift
    for program in velira_core_tests velira_qt_tests velira_adapter_tests; do
      env "$@" "$folder/tests/$program" --gtest_brief=1 || return 1
      [ "$folder" = "$asan" ] ||
        env "$@" "$folder/tests/$program" --gtest_brief=1 --gtest_shuffle --gtest_random_seed=17 || return 1
    done
  }
  # The release's Debian package, its Depends found in the release's own
  # libraries; the clean-root install test takes it from PREFIXtest/package.
  make_package() {
    rm -rf "$test/package"
    cpack -G DEB -B "$test/package" --config "$test/CPackConfig.cmake" >"$test/cpack.log" 2>&1 ||
      { cat "$test/cpack.log"; return 1; }
    ls "$test"/package/*.deb
  }

  build_test() {
    cmake -S . -B "$test" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" && nice cmake --build "$test" -j"$jobs"
  }
  asan_ctest() { (export "${asan_env[@]}" && run_ctest "$asan" --timeout 600); }

  step "$release: configure and build $test" build_test
  [ ${#failures[@]} -eq 0 ] || finish
  cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=Debug -DVELIRA_SANITIZE=ON "${launcher[@]}" >/dev/null
  build_in_background "$asan"
  step "$release: ctest in $test" run_ctest "$test" --timeout 300
  step "$release: each test program whole, in order and shuffled" whole_programs "$test"
  step "$release: the Debian package" make_package
  step "$release: build $asan" wait_for_build "$asan"
  [ ${#failures[@]} -eq 0 ] || [ "${failures[-1]}" != "$release: build $asan" ] || finish
  if [ "$tsan" = tsan ]; then
    # The speech engines, the braille display and OpenAL work on threads of
    # their own: the tests that run them are built with ThreadSanitizer too.
    cmake -S . -B "$tsan_folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELIRA_SANITIZE_THREAD=ON "${launcher[@]}" >/dev/null
    build_in_background "$tsan_folder" --target velira_adapter_tests velira_qt_tests
  fi
  step "$release: ctest in $asan" asan_ctest
  step "$release: each test program whole in $asan" whole_programs "$asan" "${asan_env[@]}"
  if [ "$tsan" = tsan ]; then
    # Each program whole in one process under ThreadSanitizer. It fails the
    # run on any report (exit code 66); the suppressions are for what it
    # cannot see inside the system libraries.
    tsan_programs() {
      wait_for_build "$tsan_folder" || return 1
      local program
      for program in velira_adapter_tests velira_qt_tests; do
        env "${tsan_env[@]}" "$tsan_folder/tests/$program" --gtest_brief=1 || return 1
      done
    }
    step "$release: each threaded test program whole in $tsan_folder" tsan_programs
  fi
  finish
}

# --- The passes in the roots, run from this machine ----------------------

root_script=scripts/root.sh
# Makes the roots in the background while this machine's own pass runs: the
# first time, that is minutes of downloads.
roots_log=
roots_maker=
start_making_roots() {
  roots_log=$(mktemp)
  "$root_script" make trixie-backports >"$roots_log" 2>&1 &
  roots_maker=$!
}
wait_for_roots() {
  local status=0
  wait "$roots_maker" || status=$?
  cat "$roots_log"
  rm -f "$roots_log"
  roots_maker=
  return "$status"
}

trixie_pass() {
  local root
  root=$("$root_script" path trixie)
  "$root_script" run "$root" env VELIRA_IN_ROOT=1 bash /src/scripts/test.sh --here build-trixie-
}

# The end-to-end test beside Orca from trixie-backports, with the shell that
# the trixie pass built: the backports root has the same libraries.
orca_backports_pass() {
  local root
  root=$("$root_script" path trixie-backports)
  [ -x build-trixie-test/run/velira ] || { echo "the trixie pass built no shell to test"; return 1; }
  "$root_script" run "$root" bash -c 'cd /src && orca --version && QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null \
    ctest --test-dir build-trixie-test --output-on-failure -R "^ShellEndToEnd\.screen_reader$" --timeout 300'
}

install_in_clean_root() { # release, folder of the pass
  local deb
  deb=$(ls "$2"/package/*.deb 2>/dev/null | head -1)
  [ -n "$deb" ] || { echo "the $1 pass made no package in $2/package"; return 1; }
  bash tests/e2e/clean_root_install_test.sh "$deb" "$1"
}

# --- Which passes ----------------------------------------------------------

if [ "${1:-}" = --here ]; then
  here_pass "${2:-build-}" "${3:-}"
  exit
fi

releases=()
while [ $# -gt 0 ]; do
  case $1 in
    --release)
      [ $# -ge 2 ] || { echo "--release takes bookworm, trixie or all"; exit 2; }
      releases+=("$2")
      shift 2
      ;;
    --release=*)
      releases+=("${1#--release=}")
      shift
      ;;
    *)
      echo "usage: scripts/test.sh [--release bookworm|trixie|all]..."
      exit 2
      ;;
  esac
done
[ ${#releases[@]} -gt 0 ] || releases=(all)
[[ " ${releases[*]} " != *" all "* ]] || releases=(bookworm trixie)
for release in "${releases[@]}"; do
  case $release in
    bookworm | trixie) ;;
    *) echo "unknown release $release: bookworm (Debian 12) or trixie (Debian 13)"; exit 2 ;;
  esac
done
host=$(. /etc/os-release && echo "$VERSION_CODENAME")
[ "$host" = bookworm ] || { echo "the test command runs on Debian 12 (bookworm); this is $host"; exit 2; }

wants() { [[ " ${releases[*]} " == *" $1 "* ]]; }
trap '[ -z "$roots_maker" ] || kill "$roots_maker" 2>/dev/null || true' EXIT
if wants trixie; then
  # debootstrap makes the roots; the clean-root install test needs it for
  # Debian 12 too.
  install_packages debootstrap
  start_making_roots
elif wants bookworm; then
  install_packages debootstrap
fi

if wants bookworm; then
  step "bookworm: this machine's pass" bash scripts/test.sh --here build- tsan
  step "bookworm: the package installs and starts in a clean root" install_in_clean_root bookworm build-test
fi
if wants trixie; then
  step "trixie: make the roots" wait_for_roots
  if [ ${#failures[@]} -gt 0 ] && [ "${failures[-1]}" = "trixie: make the roots" ]; then
    echo "The Debian 13 roots could not be made: the trixie passes cannot run. See the message above."
  else
    step "trixie: the pass in the root" trixie_pass
    step "trixie: the package installs and starts in a clean root" install_in_clean_root trixie build-trixie-test
    step "trixie-backports: the end-to-end test beside Orca 51" orca_backports_pass
  fi
fi
finish
