#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite; non-zero exit on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${REELMAKER_BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 900
