#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quillon.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh
exec build/src/quillon "$@"
