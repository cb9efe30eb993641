#!/usr/bin/env bash
# `reelmaker ls` of one folder of N one-frame sequences (a folder of stills or single-frame plates,
# s00001_v_0001.dpx ...) next to `ls` of one N-frame sequence in a folder of its own, for N = 2,500,
# 5,000, 10,000 and 20,000: the stills must cost no more than a few times the sequence (target: a
# ratio under 3 that does not grow with N). Prints the best of ROUNDS times, the peak memory of each
# listing and the ratios. Run by hand, never by ctest; the page cache is warm.
#
# usage: bench/stills_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), ROUNDS (default 3), SIZES (default as above).
# Needs python3 and GNU time (/usr/bin/time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
reelmaker="${REELMAKER_BUILD_DIR:-$root/build}/src/reelmaker"
rounds="${ROUNDS:-3}"
sizes="${SIZES:-2500 5000 10000 20000}"
[ -x "$reelmaker" ] || { echo "missing $reelmaker: build first (scripts/build.sh)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install -y time" >&2; exit 1; }
source "$root/bench/common.sh"
use_work_dir "$@"

# Distinct small files (4 x 2 big-endian DPX frames), as a scanner or a render writes them.
make_folder() { # DIR PATTERN COUNT
  python3 -c "$SMALL_FRAME_PY
import os, sys
folder, pattern, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
os.makedirs(folder, exist_ok=True)
for i in range(1, count + 1):
    with open(os.path.join(folder, pattern % i), 'wb') as f:
        f.write(small_frame())
" "$@"
}

# "SECONDS KILOBYTES" of one listing.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$reelmaker" ls "$1" >/dev/null || true
  cat "$work/time.txt"
}

best_of() { # DIR -> "best-seconds peak-kilobytes"
  local best="" peak=0 seconds kilobytes
  "$reelmaker" ls "$1" >/dev/null || true # warm the cache
  for ((round = 1; round <= rounds; round++)); do
    read -r seconds kilobytes < <(measure "$1")
    if [ -z "$best" ] || (( $(echo "$seconds < $best" | bc -l) )); then best=$seconds; fi
    (( kilobytes > peak )) && peak=$kilobytes
  done
  echo "$best $peak"
}

printf '%8s  %10s  %10s  %7s  %10s  %10s\n' N stills sequence ratio "stills MB" "seq MB"
first_ratio=""
for n in $sizes; do
  rm -rf "$work/stills" "$work/sequence"
  make_folder "$work/stills" 's%05d_v_0001.dpx' "$n"
  make_folder "$work/sequence" 'shot_%05d.dpx' "$n"
  read -r stills stills_kb < <(best_of "$work/stills")
  read -r sequence sequence_kb < <(best_of "$work/sequence")
  # /usr/bin/time shows 0.00 for the fastest runs: count them as its resolution.
  ratio=$(echo "s = $sequence; if (s < 0.01) s = 0.01; $stills / s" | bc -l)
  [ -z "$first_ratio" ] && first_ratio=$ratio
  printf '%8d  %9.2fs  %9.2fs  %7.2f  %10.1f  %10.1f\n' "$n" "$stills" "$sequence" "$ratio" \
    "$(echo "$stills_kb / 1024" | bc -l)" "$(echo "$sequence_kb / 1024" | bc -l)"
done
printf 'ratio at the largest N / ratio at the smallest: %.2f\n' "$(echo "$ratio / $first_ratio" | bc -l)"
