#!/usr/bin/env bash
# Installs what is missing, builds in Release, makes a small sample sequence and runs the main job on it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"

work="${REELMAKER_DEMO_DIR:-$root/out/demo}"
rm -rf "$work"
mkdir -p "$work/frames"
# Ten frames of 10-bit RGB, 320x180: ffmpeg draws them, GraphicsMagick writes big-endian DPX files
# with a timecode that starts at 01:00:00:00.
ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=320x180:rate=24" -frames:v 10 \
  -pix_fmt rgb48be "$work/frames/src_%04d.ppm"
for i in $(seq 1 10); do
  n=$(printf '%04d' "$i")
  gm convert "$work/frames/src_$n.ppm" -depth 10 -define "dpx:tv.time.code=01:00:00:$(printf '%02d' $((i - 1)))" \
    "$work/frames/shot_$n.dpx"
  rm "$work/frames/src_$n.ppm"
done
echo "== reelmaker info on the sample sequence"
"$reelmaker" info "$work"/frames/shot_0001.dpx "$work"/frames/shot_0010.dpx
