#!/usr/bin/env bash
# Builds the core, the program and the test programs with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the test suite there. Any report of either
# sanitizer ends the test that caused it with a failure.
# Usage: bash scripts/sanitize.sh [--core] [ctest arguments...]
#   --core  builds and runs only the core test programs (SANITIZE_CORE, default
#           "test_text test_project test_build test_word test_chm2word": the readers of
#           documents and help files from outside among them) and the corpus replays: what CI has time for.
# SANITIZE_LEAKS=1 adds leak checking.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

core=0
if [ "${1:-}" = "--core" ]; then
  core=1
  shift
fi

bash scripts/setup.sh
BUILD_DIR=${SANITIZE_BUILD_DIR:-build-asan}
# Line tables for readable reports (cheaper to build than full debug information); -O1 keeps
# the run time of the suite bearable.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DTAVREL_SANITIZE=ON -DTAVREL_BENCH=OFF >/dev/null

# Leak checking is asked for with SANITIZE_LEAKS=1: Qt and the system libraries keep memory until
# the process ends, so it needs the suppressions below to be read at all.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=${SANITIZE_LEAKS:-0}:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$ROOT/tests/sanitize/asan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# Leaks inside the system libraries the program loads (fonts, the platform plugin) are theirs.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/tests/sanitize/lsan.supp:print_suppressions=0}

if [ $core -eq 1 ]; then
  read -r -a programs <<<"${SANITIZE_CORE:-test_text test_project test_build test_word test_chm2word}"
  fuzz=()
  for f in tests/fuzz/fuzz_*.cpp; do
    fuzz+=("$(basename "$f" .cpp)")
  done
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target tavrel "${programs[@]}" "${fuzz[@]}"
  labels="fuzz"
  for p in "${programs[@]}"; do
    labels="$labels|$p"
  done
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" -L "^($labels)\$" "$@"
else
  cmake --build "$BUILD_DIR" -j"$(nproc)"
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "$@"
fi
