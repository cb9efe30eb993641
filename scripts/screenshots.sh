#!/usr/bin/env bash
# Pictures of the desktop application's windows on a real X server (Xvfb, 1920 x 1080): makes a
# 2048 x 1556 DPX sequence with ffmpeg, walks reelmaker-gui's windows and writes PNGs into
# build/screenshots/ (or $REELMAKER_BUILD_DIR/screenshots). Nothing here is committed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target gui_screenshot_tour reelmaker-gui open_gate_preload

out="$build/screenshots"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/shots" "$work/config"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=2048x1556:rate=24 -frames:v 30 -pix_fmt gbrp10be \
  "$work/shots/shot_%04d.dpx"

# Preferences of their own, so that the user's stay untouched.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
# The tests' open gate holds the export at frame 9 until the mid-export picture is taken.
mkdir -p "$work/gate"
xvfb-run -a -s "-screen 0 1920x1080x24 -br" \
  env LD_PRELOAD="$build/tests/libopen_gate_preload.so" REELMAKER_TEST_GATE_FILE=shot_0010.dpx \
  REELMAKER_TEST_GATE_DIR="$work/gate" \
  "$build/tests/gui_screenshot_tour" "$work/shots/shot_0001.dpx" "$out"
echo "screenshots: $out"
