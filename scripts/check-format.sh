#!/usr/bin/env bash
# Fails when a C++ file of src, tests, bench or data is not as .clang-format writes it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'data/*.cpp' \
    | xargs -r clang-format --dry-run -Werror
echo "clang-format: every file as .clang-format writes it"
