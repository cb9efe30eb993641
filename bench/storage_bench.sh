#!/usr/bin/env bash
# Frame files on slow storage, run by hand (never by ctest). The storage simulator (slow_storage_fs, a
# FUSE file system) shows a folder with a delay added to each open, stat and read and, if asked, its
# reads held to a bandwidth, as networked storage serves them. In interleaved rounds with the page
# cache warm:
#
#   a. FRAMES small frames on the simulator at 1 ms an open and a stat: `reelmaker scan` and the
#      reference `translate` (the movie on the local disk) next to the sequential floor of the same
#      opens and reads (header_floor DIR 1, and DIR 2: the scan's pass and the export's). Target: each
#      command >= 8 x faster than the floor (it opens in parallel).
#   b. the same on the local disk: each command <= 1.5 x its floor.
#   c. the self-contained export of 100 frames of 2048x1556 read from the simulator held to 300 MB/s
#      (no delays) into a movie on the local disk: >= 0.9 x the 300 MB/s; cat of the frames through the
#      simulator into one local file for reference.
#   d. on the local disk, the export of 100 frames of 2048x1556 and of 100 of 1920x1080 (export_timing:
#      the export alone; and the whole translate for information) next to cat of the same frames into
#      one file: export <= 1.0 x cat.
#   e. the reference export of 100 small frames on the local disk, the whole process, next to its floor
#      (header_floor DIR 2): <= 2 x.
#
# usage: bench/storage_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), FRAMES (default 20000), ROUNDS (default 3),
# QUICK=1 (a smoke run: FRAMES 2000 and ROUNDS 1 unless given). Needs ffmpeg, the simulator (built
# where libfuse3-dev is installed), fusermount3 and the right to mount FUSE (root, or a user who may
# open /dev/fuse), and about 4 GB free in WORK_DIR. Up to half an hour at the defaults while the scan
# and the reference export open one frame after the other.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"
floor="$build/bench/header_floor"
timing="$build/bench/export_timing"
simulator="$build/bench/slow_storage_fs"
if [ "${QUICK:-0}" = 1 ]; then
  frames="${FRAMES:-2000}"
  rounds="${ROUNDS:-1}"
else
  frames="${FRAMES:-20000}"
  rounds="${ROUNDS:-3}"
fi
delay_ms=1
cap_mbps=300
for tool in "$reelmaker" "$floor" "$timing"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
done
[ -x "$simulator" ] || {
  echo "missing $simulator: it is built when pkg-config finds fuse3 (apt-get install libfuse3-dev pkg-config, then scripts/build.sh)" >&2
  exit 1
}
command -v ffmpeg >/dev/null || { echo "ffmpeg is required" >&2; exit 1; }
command -v fusermount3 >/dev/null || { echo "fusermount3 is required (apt-get install fuse3)" >&2; exit 1; }

keep_work=0
if [ $# -ge 1 ]; then
  work="$1"
  mkdir -p "$work"
  keep_work=1
else
  work="$(mktemp -d)"
fi
work="$(cd "$work" && pwd -P)"
small="$work/small"
ref100="$work/ref100"
big="$work/big"
hd="$work/hd"
out="$work/out"
slow_small="$work/mnt_small"
slow_big="$work/mnt_big"

# The mounts are undone however the script ends (Ctrl-C included): a simulator left mounted would
# hold the work folder, and its next run's mount point. The folder is removed only once nothing is
# mounted in it.
mounts=()
daemons=()
mounted() { awk -v m="${1// /\\040}" '$2 == m { found = 1 } END { exit !found }' /proc/self/mounts; }
unmount() {
  mounted "$1" || return 0
  fusermount3 -u "$1" 2>/dev/null || umount "$1" 2>/dev/null || umount -l "$1" 2>/dev/null ||
    fusermount3 -uz "$1" 2>/dev/null || true
  ! mounted "$1"
}
cleanup() {
  local status=$? left=0 m pid
  trap - EXIT INT TERM HUP
  for m in "${mounts[@]}"; do
    unmount "$m" || { echo "storage_bench: $m is still mounted" >&2; left=1; }
  done
  for pid in "${daemons[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$keep_work" = 0 ] && [ "$left" = 0 ]; then
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# mount_simulator SOURCE MOUNTPOINT OPTION...: the simulator over SOURCE, in the foreground of a
# background job (its pid is ours to wait for). Started this way it ignores Ctrl-C, so the mount
# stays up until cleanup undoes it rather than going stale under a running command.
mount_simulator() {
  local source=$1 mountpoint=$2 log pid
  shift 2
  log="$work/$(basename "$mountpoint").log"
  unmount "$mountpoint" || { echo "storage_bench: $mountpoint is mounted and won't come off" >&2; exit 1; }
  mkdir -p "$mountpoint"
  "$simulator" "$source" "$mountpoint" -f "$@" >"$log" 2>&1 &
  pid=$!
  daemons+=("$pid")
  mounts+=("$mountpoint")
  for _ in $(seq 100); do
    mounted "$mountpoint" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "storage_bench: couldn't mount the storage simulator on $mountpoint:" >&2
  sed 's/^/  /' "$log" >&2
  if [ ! -e /dev/fuse ]; then
    echo "  there is no /dev/fuse: the kernel's FUSE module (modprobe fuse) or, in a container, the device is missing" >&2
  elif [ ! -w /dev/fuse ]; then
    echo "  /dev/fuse is not writable for $(id -un): mounting FUSE needs root or access to /dev/fuse" >&2
  fi
  exit 1
}

# copies FILE COUNT DIR PATTERN: COUNT frames in DIR named by the printf PATTERN (from 1), the first
# being FILE and the rest its copies (tee writes many at once: a cp per frame takes minutes for 20,000).
copies() {
  local first=$1 count=$2 dir=$3 pattern=$4 i
  [ "$count" -ge 2 ] || return 0
  seq 2 "$count" | while read -r i; do printf "%s/$pattern\n" "$dir" "$i"; done |
    xargs -d '\n' sh -c 'tee "$@" <"$0" >/dev/null' "$first"
}
count_files() { find "$1" -maxdepth 1 -type f -name "$2" | wc -l; }

# The simulators first, so that a system without FUSE fails before minutes of making frames. Each
# serves one sequence's folder as its root, so that a path walks through one name looked up (and
# delayed), the frame's, as on a share mounted at the sequence's folder. They show their folders as
# they are, so the frames can be made after.
mkdir -p "$small" "$ref100" "$big" "$hd" "$out"
mount_simulator "$small" "$slow_small" "--open-ms=$delay_ms" "--stat-ms=$delay_ms"
mount_simulator "$big" "$slow_big" "--read-mbps=$cap_mbps"

# The sequences (kept between runs in WORK_DIR). ffmpeg writes big-endian 10-bit RGB DPX files.
digits=$((${#frames} > 4 ? ${#frames} : 4))
small_pattern="f_%0${digits}d.dpx"
small_first="$small/$(printf "$small_pattern" 1)"
if [ "$(count_files "$small" 'f_*.dpx' 2>/dev/null)" != "$frames" ] || [ ! -e "$small_first" ]; then
  echo "making $frames frames of 64x48 ..." >&2
  find "$small" -mindepth 1 -delete
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=64x48:rate=24" -frames:v 1 -pix_fmt gbrp10be \
    "$small_first"
  copies "$small_first" "$frames" "$small" "$small_pattern"
fi
if [ "$(count_files "$ref100" 'r_*.dpx' 2>/dev/null)" != 100 ]; then
  find "$ref100" -mindepth 1 -delete
  cp "$small_first" "$ref100/r_0001.dpx"
  copies "$ref100/r_0001.dpx" 100 "$ref100" "r_%04d.dpx"
fi
if [ ! -e "$big/shot_0100.dpx" ]; then
  echo "making 100 frames of 2048x1556 ..." >&2
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=2048x1556:rate=24" -frames:v 100 \
    -pix_fmt gbrp10be "$big/shot_%04d.dpx"
fi
if [ ! -e "$hd/hd_0100.dpx" ]; then
  echo "making 100 frames of 1920x1080 ..." >&2
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=1920x1080:rate=24" -frames:v 100 \
    -pix_fmt gbrp10be "$hd/hd_%04d.dpx"
fi
big_bytes=$(cat "$big"/shot_*.dpx | wc -c)
hd_bytes=$(cat "$hd"/hd_*.dpx | wc -c)

slow_small_first="$slow_small/$(basename "$small_first")"

# The inputs of the section read once more (the system may reclaim pages that lay idle for a moment)
# and the disk synced, so that no run pays for the write-back of an earlier one. The simulator's
# folders are warmed at their source: its delays are to be the only cost of its storage (it reads
# with direct_io, so the kernel never serves its files from the page cache).
warm_dirs=()
warm() {
  local d
  for d in "${warm_dirs[@]}"; do find "$d" -maxdepth 1 -type f -exec cat {} + >/dev/null; done
  sync
}

source "$root/bench/round_figures.sh"

# One function per timed run; a section's rounds call them by name.
scan_slow() { "$reelmaker" scan "$slow_small_first"; }
floor1_slow() { "$floor" "$slow_small" 1; }
reference_slow() { "$reelmaker" translate --quiet --reference "$slow_small_first" -o "$out/ref.mov"; }
floor2_slow() { "$floor" "$slow_small" 2; }
scan_local() { "$reelmaker" scan "$small_first"; }
floor1_local() { "$floor" "$small" 1; }
reference_local() { "$reelmaker" translate --quiet --reference "$small_first" -o "$out/ref.mov"; }
floor2_local() { "$floor" "$small" 2; }
translate_capped() { "$reelmaker" translate --quiet "$slow_big/shot_0001.dpx" -o "$out/self.mov"; }
cat_capped() { cat "$slow_big"/shot_*.dpx >"$out/copy.raw"; }
translate_2k() { "$reelmaker" translate --quiet "$big/shot_0001.dpx" -o "$out/self.mov"; }
cat_2k() { cat "$big"/shot_*.dpx >"$out/copy.raw"; }
translate_hd() { "$reelmaker" translate --quiet "$hd/hd_0001.dpx" -o "$out/self.mov"; }
cat_hd() { cat "$hd"/hd_*.dpx >"$out/copy.raw"; }
reference_100() { "$reelmaker" translate --quiet --reference "$ref100/r_0001.dpx" -o "$out/ref.mov"; }
floor_100() { "$floor" "$ref100" 2; }
run() {
  case $1 in
    export_2k) export_seconds "$big/shot_0001.dpx" ;;
    export_hd) export_seconds "$hd/hd_0001.dpx" ;;
    *) seconds "$1" ;;
  esac
}

# interleave SECTION NAME...: ROUNDS rounds of the named runs, interleaved in an order that turns each
# round, so that none always runs first after the large files of the round before were deleted.
declare -A times
interleave() {
  local section=$1 round k name t
  shift
  local names=("$@")
  for name in "${names[@]}"; do times[$name]=""; done
  for round in $(seq 1 "$rounds"); do
    for k in "${!names[@]}"; do
      name=${names[$(((k + round) % ${#names[@]}))]}
      t=$(run "$name")
      times[$name]+="$t "
    done
    echo "$section: round $round of $rounds done" >&2
  done
}

# line LABEL NAME COUNT UNIT: best and median seconds of NAME and COUNT/median in UNIT a second
# (frames, or MB when COUNT is bytes).
line() {
  awk -v l="$1" -v b="$(best "${times[$2]}")" -v m="$(median "${times[$2]}")" -v n="$3" -v u="$4" 'BEGIN {
    rate = (u == "MB") ? n / m / 1e6 : n / m
    printf "  %-34s %8.3f s %8.3f s %9.0f %s/s\n", l, b, m, rate, u }'
}
# show_share LABEL NAME BYTES: NAME's throughput (best round) as a share of the simulator's cap.
show_share() {
  local note=${4:-}
  awk -v l="$1" -v t="$(best "${times[$2]}")" -v tm="$(median "${times[$2]}")" -v bytes="$3" \
    -v cap="$cap_mbps" -v note="$note" 'BEGIN {
    r = bytes / t / 1e6 / cap
    m = bytes / tm / 1e6 / cap
    if (note == "")
      note = "target >= 0.9: " ((sprintf("%.2f", r) + 0 >= 0.9) ? "met" : "NOT met")
    printf "  %s %.2f of %d MB/s (medians %.2f)   %s\n", l, r, cap, m, note }'
}
heading() { printf '\n%s; %d rounds (best, median)\n' "$1" "$rounds"; }

rm -f "$out"/*
echo "work folder $work; $frames small frames, $rounds rounds" >&2

warm_dirs=("$small")
interleave a scan_slow floor1_slow reference_slow floor2_slow
heading "a. $frames frames of 64x48 on the simulator, $delay_ms ms an open and a stat"
line "reelmaker scan" scan_slow "$frames" frames
line "floor (1 x open+read, sequential)" floor1_slow "$frames" frames
line "reelmaker translate --reference" reference_slow "$frames" frames
line "floor (2 x open+read, sequential)" floor2_slow "$frames" frames
show_ratio "scan:      x faster than sequential" floor1_slow scan_slow ">= 8"
show_ratio "translate: x faster than sequential" floor2_slow reference_slow ">= 8"

interleave b scan_local floor1_local reference_local floor2_local
heading "b. the same $frames frames on the local disk"
line "reelmaker scan" scan_local "$frames" frames
line "floor (1 x open+read)" floor1_local "$frames" frames
line "reelmaker translate --reference" reference_local "$frames" frames
line "floor (2 x open+read)" floor2_local "$frames" frames
show_ratio "scan / floor     " scan_local floor1_local "<= 1.5"
show_ratio "translate / floor" reference_local floor2_local "<= 1.5"

warm_dirs=("$big")
interleave c translate_capped cat_capped
heading "$(printf 'c. self-contained export of 100 frames of 2048x1556 (%.1f MB) from the simulator held to %d MB/s' \
  "$(awk -v b="$big_bytes" 'BEGIN { print b / 1e6 }')" "$cap_mbps")"
line "reelmaker translate" translate_capped "$big_bytes" MB
line "cat (copy through the simulator)" cat_capped "$big_bytes" MB
show_share "translate:" translate_capped "$big_bytes"
show_share "cat:      " cat_capped "$big_bytes" "(for reference)"

warm_dirs=("$big" "$hd")
interleave d export_2k translate_2k cat_2k export_hd translate_hd cat_hd
heading "d. self-contained export on the local disk: 100 frames of 2048x1556 and of 1920x1080"
line "2K export alone" export_2k "$big_bytes" MB
line "2K reelmaker translate" translate_2k "$big_bytes" MB
line "2K cat (copy limit)" cat_2k "$big_bytes" MB
line "HD export alone" export_hd "$hd_bytes" MB
line "HD reelmaker translate" translate_hd "$hd_bytes" MB
line "HD cat (copy limit)" cat_hd "$hd_bytes" MB
show_ratio "2K export / cat   " export_2k cat_2k "<= 1.0"
show_ratio "2K translate / cat" translate_2k cat_2k "(whole process, for information)"
show_ratio "HD export / cat   " export_hd cat_hd "<= 1.0"
show_ratio "HD translate / cat" translate_hd cat_hd "(whole process, for information)"

warm_dirs=("$ref100")
interleave e reference_100 floor_100
heading "e. reference export of 100 frames of 64x48 on the local disk, whole process with its scan"
line "reelmaker translate --reference" reference_100 100 frames
line "floor (2 x open+read)" floor_100 100 frames
show_ratio "translate / floor" reference_100 floor_100 "<= 2"
