#!/usr/bin/env bash
# Builds the batch's code with clang and ThreadSanitizer into build-tsan/ (the
# workflow library and what it links, quillon-cli and test_workflow only: the
# batch is the one part of Quillon that runs threads), runs the batch's tests
# there, then quillon-cli's batch of the sample photos of
# tests/data/photos with 8 jobs into a temporary folder. Any report
# fails the script; tests/tsan.supp lists the few reports from inside libraries
# the sanitizer cannot see into.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# clang 14's ThreadSanitizer expects the memory layout of a kernel that
# randomises mmap addresses with at most 28 bits; where vm.mmap_rnd_bits is
# higher it stops at start with "unexpected memory mapping". Running without
# address randomisation (setarch -R, inherited by every child: the build's
# test discovery, ctest, quillon-cli) avoids that.
rnd_bits=$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)
if [ "$rnd_bits" -gt 28 ] && [ -z "${QUILLON_TSAN_NO_ASLR:-}" ]; then
  exec env QUILLON_TSAN_NO_ASLR=1 setarch "$(uname -m)" -R "$0" "$@"
fi

scripts/ensure-deps.sh
photos=$root/tests/data/photos

if [ ! -f build-tsan/build.ninja ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_TSAN=ON -DQUILLON_BUILD_BENCH=OFF "${launcher[@]}"
fi
cmake --build build-tsan --target quillon-cli test_workflow

export QT_QPA_PLATFORM=offscreen
# A report ends the program at once with status 66, which neither the tests
# nor quillon-cli use.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66:suppressions=$root/tests/tsan.supp"

echo "== ThreadSanitizer: the batch's tests"
(cd build-tsan && ctest --output-on-failure -j"$(nproc)" -R Batch)

echo "== ThreadSanitizer: quillon-cli batch --jobs 8 of the sample photos"
target=$(mktemp -d)
trap 'rm -rf "$target"' EXIT
# An empty settings file gives the default options; the filter and the file's
# time for photos without a date bring in the code they run.
status=0
build-tsan/src/quillon-cli batch "$photos" --target "$target" --config /dev/null --jobs 8 \
  --filter 7 --fallback-date file --quiet >/dev/null || status=$?
# 1 means that some photo could not be treated, which is not this run's
# question; anything else above it is a report or a crash.
if [ "$status" -gt 1 ]; then
  [ "$status" -eq 66 ] && echo "quillon-cli batch: ThreadSanitizer reported a race (above)" >&2
  echo "quillon-cli batch under ThreadSanitizer failed (exit $status)" >&2
  exit 1
fi
echo "ThreadSanitizer: no reports"
