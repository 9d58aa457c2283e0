#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time on a copy of its seed corpus. A crash is written to
# tests/fuzz/crashes/<target>/; commit it with its fix, and every build
# replays it from then on.
# Usage: tools/fuzz.sh [seconds per target, default 60] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
# Absolute paths: the file targets work inside a scratch folder of their own.
root=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(sound_bank braille_table keyboard_file settings_file data_file)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELIRA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}"

status=0
for target in "${targets[@]}"; do
  work=$root/build-fuzz/corpus/$target
  mkdir -p "$work" "tests/fuzz/crashes/$target"
  cp -n tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=1024 \
    -artifact_prefix="$root/tests/fuzz/crashes/$target/" "$work"; then
    echo "!! $target found a fault: see tests/fuzz/crashes/$target/"
    status=1
  fi
done
exit $status
