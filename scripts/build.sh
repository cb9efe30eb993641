#!/usr/bin/env bash
# Configures and builds in Release into build/ (or $REELMAKER_BUILD_DIR).
#   scripts/build.sh [CMAKE_OPTION...]            everything: tools, desktop application, tests, benchmarks
#   scripts/build.sh --cli-only [CMAKE_OPTION...] the command line tool alone (what the demo runs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
parts=(-DREELMAKER_BUILD_TESTS=ON -DREELMAKER_BUILD_BENCH=ON -DREELMAKER_BUILD_GUI=ON)
target=()
if [ "${1:-}" = --cli-only ]; then
  shift
  parts=(-DREELMAKER_BUILD_TESTS=OFF -DREELMAKER_BUILD_BENCH=OFF -DREELMAKER_BUILD_GUI=OFF)
  target=(--target reelmaker)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${parts[@]}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "${target[@]}"
