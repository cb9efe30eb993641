#!/usr/bin/env bash
# The command line on a day's delivery, run by hand (never by ctest), in interleaved rounds with the
# page cache warm:
#
#   1. `reelmaker ls -R` over 200 sequences of 100 small frames, one folder each, next to the floor
#      of listing the folders and reading each frame's first 2048 bytes once (header_floor --tree).
#   2. `reelmaker translate --all -R` of 20 small sequences (50 frames of 320 x 180) with --jobs 1 and
#      --jobs 2: which default is faster on this disk.
#
# usage: bench/cli_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), ROUNDS (default 3). Needs GraphicsMagick and python3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"
floor="$build/bench/header_floor"
rounds="${ROUNDS:-3}"
for tool in "$reelmaker" "$floor"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
done
source "$root/bench/common.sh"
use_work_dir "$@"
rm -rf "$work/tree" "$work/twenty" "$work/out"
mkdir -p "$work/tree" "$work/twenty" "$work/out"

# One small frame and one 320 x 180 frame; the sequences are hard links to them (as slow to read,
# cheap to make).
gm convert -size 16x8 xc:gray -depth 10 -define dpx:tv.time.code=01:00:00:00 "$work/small.dpx"
gm convert -size 320x180 gradient:red-blue -depth 10 -define dpx:tv.time.code=01:00:00:00 "$work/hd.dpx"
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
for s in range(200):
    d = f"{work}/tree/shot{s:03d}"
    os.makedirs(d)
    for f in range(1, 101):
        os.link(f"{work}/small.dpx", f"{d}/shot{s:03d}_{f:04d}.dpx")
for s in range(20):
    d = f"{work}/twenty/clip{s:02d}"
    os.makedirs(d)
    for f in range(1, 51):
        os.link(f"{work}/hd.dpx", f"{d}/clip{s:02d}_{f:04d}.dpx")
PY

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
best() { printf '%s\n' "$@" | sort -g | head -1; }

ls_times=() floor_times=() one_times=() two_times=()
"$reelmaker" ls -R "$work/tree" >/dev/null # warm the cache
for ((round = 1; round <= rounds; round++)); do
  ls_times+=("$(seconds "$reelmaker" ls -R --json "$work/tree")")
  floor_times+=("$("$floor" "--tree=$work/tree" 1 | cut -d' ' -f1)")
  one_times+=("$(seconds "$reelmaker" translate --all "$work/twenty" -R --jobs 1 -o "$work/out/" --force --quiet)")
  two_times+=("$(seconds "$reelmaker" translate --all "$work/twenty" -R --jobs 2 -o "$work/out/" --force --quiet)")
done
ls_best=$(best "${ls_times[@]}")
floor_best=$(best "${floor_times[@]}")
one_best=$(best "${one_times[@]}")
two_best=$(best "${two_times[@]}")
printf 'ls -R, 200 sequences x 100 frames:  %.3f s   floor (list + read 2048 bytes each): %.3f s   ratio %.2f\n' \
  "$ls_best" "$floor_best" "$(echo "$ls_best / $floor_best" | bc -l)"
printf 'translate --all, 20 x 50 frames 320x180:  --jobs 1 %.3f s   --jobs 2 %.3f s   jobs 2 / jobs 1 %.2f\n' \
  "$one_best" "$two_best" "$(echo "$two_best / $one_best" | bc -l)"
