#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) into
# build-fuzz/ and runs each for SECONDS (default 60) on a copy of its seed corpus. New inputs and
# crash reproducers go to tests/fuzz/findings/<name>/; copy a crash input into
# tests/fuzz/corpus/<name>/ once it is fixed, so every ordinary test run replays it.
# Usage: bash scripts/fuzz.sh [SECONDS] [TARGET...]   (targets without the "fuzz_" prefix)
# FUZZ_ARGS adds libFuzzer options to every run (later options win: FUZZ_ARGS=-max_len=65536).
# Exits non-zero when a target crashes, leaks or fails to build.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

SECONDS_PER_TARGET=${1:-60}
shift || true
if ! [[ "$SECONDS_PER_TARGET" =~ ^[0-9]+$ ]] || [ "$SECONDS_PER_TARGET" -lt 1 ]; then
  echo "fuzz: SECONDS must be a positive whole number, not '$SECONDS_PER_TARGET'" >&2
  exit 2
fi

bash scripts/setup.sh

BUILD_DIR="$ROOT/build-fuzz"
FINDINGS="$ROOT/tests/fuzz/findings"

# Which targets: the ones named on the command line, else every fuzz_*.cpp.
targets=()
if [ $# -gt 0 ]; then
  for t in "$@"; do
    t=${t#fuzz_}
    if [ ! -f "tests/fuzz/fuzz_$t.cpp" ]; then
      echo "fuzz: no target tests/fuzz/fuzz_$t.cpp" >&2
      exit 2
    fi
    targets+=("$t")
  done
else
  for f in tests/fuzz/fuzz_*.cpp; do
    [ -e "$f" ] || continue
    t=$(basename "$f" .cpp)
    targets+=("${t#fuzz_}")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets under tests/fuzz/" >&2
  exit 2
fi

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVREL_FUZZ=ON -DTAVREL_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Undefined behaviour must stop the run like a crash does, with a readable stack.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen

failed=()
for t in "${targets[@]}"; do
  out="$FINDINGS/$t"
  mkdir -p "$out"
  # libFuzzer adds what it finds to its first folder: give it a scratch copy of the seeds so the
  # committed corpus changes only by hand.
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-fuzz-$t.XXXXXX")
  if [ -d "tests/fuzz/corpus/$t" ]; then
    cp -R "tests/fuzz/corpus/$t/." "$work/"
  fi
  echo "fuzz: fuzz_$t for ${SECONDS_PER_TARGET}s"
  set +e
  "$BUILD_DIR/bin/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=25 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$out/" ${FUZZ_ARGS:-} "$work" 2>"$out/log.txt"
  rc=$?
  set -e
  tail -n 12 "$out/log.txt"
  # Keep the inputs that libFuzzer found beyond the seeds.
  mkdir -p "$out/new"
  for f in "$work"/*; do
    [ -f "$f" ] || continue
    b=$(basename "$f")
    [ -e "tests/fuzz/corpus/$t/$b" ] || cp "$f" "$out/new/"
  done
  case "$work" in
    "${TMPDIR:-/tmp}"/tavrel-fuzz-*) rm -rf -- "$work" ;;
  esac
  if [ $rc -ne 0 ]; then
    echo "fuzz: fuzz_$t FAILED (exit $rc); reproducer and log in $out/" >&2
    failed+=("$t")
  else
    echo "fuzz: fuzz_$t ok"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran ${SECONDS_PER_TARGET}s without a crash"
