#!/usr/bin/env bash
# Builds Quillon with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/, runs every test there, then runs each fuzz target of
# tests/fuzz over its seeds and a fixed number of new inputs (FUZZ_RUNS,
# 20000 by default, seed 1), so that the work does not depend on the
# machine's speed. Targets whose own seeds hold JPEG files also start from the
# sample photos of tests/data/photos. New inputs go to a temporary
# corpus, never into the tree; a failing input is kept in FUZZ_ARTIFACTS
# (build-asan/fuzz-artifacts by default) and fails the script. Last,
# scripts/tsan.sh runs the batch under ThreadSanitizer in build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/ensure-deps.sh

runs=${FUZZ_RUNS:-20000}
artifacts=${FUZZ_ARTIFACTS:-$root/build-asan/fuzz-artifacts}
photos=$root/tests/data/photos

if [ ! -f build-asan/build.ninja ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_SANITIZE=ON -DQUILLON_FUZZ=ON -DQUILLON_BUILD_BENCH=OFF "${launcher[@]}"
fi
cmake --build build-asan

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

(cd build-asan && ctest --output-on-failure -j"$(nproc)")

mkdir -p "$artifacts"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for target in build-asan/tests/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  seeds=tests/fuzz/seeds/$name
  mkdir -p "$corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds/." "$corpus/$name/"
  # The photos' metadata lies in their first 64 KiB; longer inputs only make
  # every run decode more of the same picture.
  extra=()
  if [ -d "$photos" ] && compgen -G "$seeds/*.jpg" >/dev/null; then extra=(-max_len=65536 "$photos"); fi
  echo "== fuzz_$name: seeds, then $runs runs"
  log=$corpus/$name.log
  status=0
  "$target" -runs="$runs" -seed=1 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
    "$corpus/$name" "${extra[@]}" >"$log" 2>&1 || status=$?
  grep -E '^(INFO: seed corpus|#[0-9]+[[:space:]]+(INITED|DONE)|Done [0-9]+ runs)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz_$name failed (exit $status); the input is in $artifacts" >&2
    exit 1
  fi
done
scripts/tsan.sh
echo "sanitizers and fuzz targets: all passed"
