#!/usr/bin/env bash
# Export speed, run by hand (never by ctest), in interleaved rounds with the page cache warm:
#
#   1. A self-contained export of 100 frames of 2048 x 1556 next to the plain copy limit of the same
#      bytes on the same disk (cat of the frame files into one file) and next to ffmpeg's 'r10k'
#      encoder as a peer. The export is timed alone (export_timing: the worker's writing of the
#      movie, after the document has opened) and as the whole `reelmaker translate` process, whose
#      opening also scans the sequence (it draws no preview and has no output device). Targets:
#      export <= 1.25 x cat, translate <= 0.3 x ffmpeg (both whole processes).
#   2. A reference translation of 2000 small frames, the whole process with its scan, next to the
#      floor of opening each frame file and reading its 2048 header bytes twice (the scan's pass and
#      the export's). Target: translate <= 3 x floor.
#
# usage: bench/export_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), ROUNDS (default 5). Needs ffmpeg and about
# 4 GB free in WORK_DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"
floor="$build/bench/header_floor"
timing="$build/bench/export_timing"
rounds="${ROUNDS:-5}"
for tool in "$reelmaker" "$floor" "$timing"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
done
command -v ffmpeg >/dev/null || { echo "ffmpeg is required" >&2; exit 1; }

source "$root/bench/common.sh"
use_work_dir "$@"
big="$work/big"
small="$work/small"
out="$work/out"
mkdir -p "$big" "$small" "$out"

# The sequences (kept between runs in WORK_DIR). ffmpeg writes big-endian 10-bit RGB DPX files.
if [ ! -e "$big/shot_0100.dpx" ]; then
  echo "making 100 frames of 2048x1556 ..."
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=2048x1556:rate=24" -frames:v 100 \
    -pix_fmt gbrp10be "$big/shot_%04d.dpx"
fi
if [ ! -e "$small/f_2000.dpx" ]; then
  echo "making 2000 frames of 64x48 ..."
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=64x48:rate=24" -frames:v 1 -pix_fmt gbrp10be \
    "$small/f_0001.dpx"
  for i in $(seq 2 2000); do cp "$small/f_0001.dpx" "$small/$(printf 'f_%04d.dpx' "$i")"; done
fi
bytes=$(cat "$big"/shot_*.dpx | wc -c)

# The inputs read once more (the system may reclaim pages that lay idle for a moment) and the disk
# synced, so that no run pays for the write-back of an earlier one.
warm() {
  cat "$big"/shot_*.dpx "$small"/f_*.dpx >/dev/null
  sync
}

source "$root/bench/round_figures.sh"
copy_with_cat() { cat "$big"/shot_*.dpx >"$out/copy.raw"; }
translate_big() { "$reelmaker" translate --quiet "$big/shot_0001.dpx" -o "$out/self.mov"; }
ffmpeg_r10k() { ffmpeg -v error -nostdin -start_number 1 -i "$big/shot_%04d.dpx" -c:v r10k "$out/ff.mov"; }
translate_small() { "$reelmaker" translate --quiet --reference "$small/f_0001.dpx" -o "$out/ref.mov"; }
header_floor() { "$floor" "$small" 2; }

declare -A times
for name in export translate cat ffmpeg reference floor; do times[$name]=""; done
# Rounds interleave the commands, in an order that turns each round, so that none always runs
# first after the large files of the round before were deleted.
order=(export translate cat ffmpeg reference floor)
for round in $(seq 1 "$rounds"); do
  for k in "${!order[@]}"; do
    name=${order[$(((k + round) % ${#order[@]}))]}
    case $name in
      export) times[export]+="$(export_seconds "$big/shot_0001.dpx") " ;;
      translate) times[translate]+="$(seconds translate_big) " ;;
      cat) times[cat]+="$(seconds copy_with_cat) " ;;
      ffmpeg) times[ffmpeg]+="$(seconds ffmpeg_r10k) " ;;
      reference) times[reference]+="$(seconds translate_small) " ;;
      floor) times[floor]+="$(seconds header_floor) " ;;
    esac
  done
  echo "round $round of $rounds done" >&2
done


echo
printf 'self-contained export: 100 frames of 2048x1556, %.1f MB; %d rounds (best, median)\n' \
  "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$rounds"
for name in export translate cat ffmpeg; do
  b=$(best "${times[$name]}")
  m=$(median "${times[$name]}")
  case $name in
    export) label="export alone" ;;
    translate) label="reelmaker translate" ;;
    cat) label="cat (copy limit)" ;;
    ffmpeg) label="ffmpeg -c:v r10k" ;;
  esac
  awk -v l="$label" -v b="$b" -v m="$m" -v bytes="$bytes" 'BEGIN {
    printf "  %-22s %7.3f s  %7.3f s  %7.0f MB/s  %6.1f frames/s\n", l, b, m, bytes / m / 1e6, 100 / m }'
done
show_ratio "export / cat       " export cat "<= 1.25"
show_ratio "translate / cat    " translate cat "(whole process, for information)"
show_ratio "translate / ffmpeg " translate ffmpeg "<= 0.30"

echo
echo "reference export: 2000 frames of 64x48, whole process with its scan; $rounds rounds (best, median)"
for name in reference floor; do
  b=$(best "${times[$name]}")
  m=$(median "${times[$name]}")
  case $name in
    reference) label="reelmaker translate" ;;
    floor) label="floor (2 x open+read)" ;;
  esac
  awk -v l="$label" -v b="$b" -v m="$m" 'BEGIN {
    printf "  %-22s %7.3f s  %7.3f s  %7.0f frames/s\n", l, b, m, 2000 / m }'
done
show_ratio "translate / floor  " reference floor "<= 3"
