#!/usr/bin/env bash
# Installs what is missing, builds the command line tool in Release, makes a small sample sequence
# and translates it into a self-contained and a reference movie, then verifies both.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" demo
"$root/scripts/build.sh" --cli-only
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
echo "== reelmaker info on the first frame"
"$reelmaker" info "$work/frames/shot_0001.dpx"
echo
echo "== reelmaker translate: a self-contained movie at 24 fps"
"$reelmaker" translate "$work/frames/shot_0001.dpx" -o "$work/shot_self.mov" --rate 24 --source-id DEMO_A001
echo
echo "== reelmaker translate --reference: a reference movie into the same frames"
"$reelmaker" translate "$work/frames/shot_0001.dpx" -o "$work/shot_ref.mov" --reference --rate 24 \
  --source-id DEMO_A001
echo
echo "== reelmaker verify of both"
"$reelmaker" verify "$work/shot_self.mov"
echo
"$reelmaker" verify "$work/shot_ref.mov"
