#!/usr/bin/env bash
# How fast the self-contained export puts the frames' pixel data into the movie by each way the
# storage offers (shared blocks, an in-kernel copy, a copy through the process), run by hand (never by
# ctest), in interleaved rounds with the page cache warm. Every command writes a file of its own, removed
# outside the timing (removing a file another command has just written costs the remover seconds).
#
#   1. The local disk (WORK_DIR's file system): 100 frames of 2048 x 1556 and 200 of 1920 x 1080 as
#      GraphicsMagick writes them (pixel data at 8192), and the 2K frames with their pixel data at 2048:
#      `reelmaker translate` next to `cat` of the same frames into one file, wall and CPU time. Target:
#      <= 1.0 x cat in both. For comparison: the 2K export forced to copy through the process
#      (REELMAKER_TEST_COPY_WAY=user, the storage's test-only switch), a copy through a pipe
#      (cat | cat, the copy limit of a process), and the 2K export's peak memory (target: under 16 MB).
#   2. XFS with shared extents (mkfs.xfs -m reflink=1) in an image file loop-mounted in WORK_DIR (needs
#      root and mkfs.xfs from xfsprogs; skipped with a message where it can't be mounted): the 2K frames
#      at 8192, whose blocks the movie shares (targets: <= 0.1 s, and the file system's used space, by df
#      after sync, grown by less than 1 % of the movie), and the 2K frames at 2048, which can't be
#      shared and are copied in the kernel. cat copies with copy_file_range too, and XFS shares the
#      blocks of the files it concatenates wherever they fall on a block of the output: cat | cat is the
#      plain copy there.
#
# usage: bench/copy_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end; a
#        WORK_DIR given keeps its frames and its XFS image for the next run)
# Environment: REELMAKER_BUILD_DIR (default build/), ROUNDS (default 5), BASELINE (another reelmaker
# to time beside this one on the local disk, such as an earlier build). Needs GraphicsMagick (gm), GNU
# time (/usr/bin/time) and about 8 GB free in WORK_DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"
rounds="${ROUNDS:-5}"
baseline="${BASELINE:-}"
[ -x "$reelmaker" ] || { echo "missing $reelmaker: build first (scripts/build.sh)" >&2; exit 1; }
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "BASELINE $baseline is no program" >&2; exit 1; }
command -v gm >/dev/null || { echo "GraphicsMagick is required (apt-get install graphicsmagick)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is required (apt-get install time)" >&2; exit 1; }

if [ $# -ge 1 ]; then
  work="$1"
  mkdir -p "$work"
  keep_work=1
else
  work="$(mktemp -d)"
  keep_work=0
fi
work="$(cd "$work" && pwd)"
xfs="$work/xfs"

# The XFS image is unmounted however the script ends (Ctrl-C included); a temporary WORK_DIR goes too.
mounted() { awk -v m="${1// /\\040}" '$2 == m { found = 1 } END { exit !found }' /proc/self/mounts; }
cleanup() {
  trap - EXIT INT TERM HUP
  if mounted "$xfs"; then
    umount "$xfs" 2>/dev/null || umount -l "$xfs" 2>/dev/null || echo "copy_bench: $xfs is still mounted" >&2
  fi
  if [ "$keep_work" = 0 ] && ! mounted "$xfs"; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# make_frames DIR WIDTH HEIGHT COUNT: COUNT copies of one GraphicsMagick frame (pixel data at 8192).
make_frames() {
  local dir=$1 width=$2 height=$3 count=$4
  [ -e "$dir/$(printf 'f_%04d.dpx' "$count")" ] && return 0
  echo "making $count frames of ${width}x${height} in $dir ..." >&2
  mkdir -p "$dir"
  gm convert -size "${width}x${height}" gradient:red-blue -depth 10 "$dir/f_0001.dpx"
  for i in $(seq 2 "$count"); do cp --reflink=never "$dir/f_0001.dpx" "$dir/$(printf 'f_%04d.dpx' "$i")"; done
}
# be32 OFFSET VALUE FILE: writes VALUE as a big-endian 32-bit word at OFFSET of FILE.
be32() {
  printf '%b' "$(printf '\\0%03o' $(($2 >> 24 & 255)) $(($2 >> 16 & 255)) $(($2 >> 8 & 255)) $(($2 & 255)))" |
    dd of="$3" bs=1 seek="$1" conv=notrunc status=none
}
# move_pixels_to_2048 FROM_DIR TO_DIR: the same frames with their pixel data right after the 2048-byte
# header (offset to data at 4 and in the image element at 808, file size at 16).
move_pixels_to_2048() {
  local from=$1 to=$2 first
  [ -e "$to/f_0100.dpx" ] && return 0
  echo "moving the pixel data of $from to 2048 in $to ..." >&2
  mkdir -p "$to"
  first="$to/f_0001.dpx"
  { head -c 2048 "$from/f_0001.dpx"; tail -c +8193 "$from/f_0001.dpx"; } >"$first"
  be32 4 2048 "$first"
  be32 808 2048 "$first"
  be32 16 "$(stat -c %s "$first")" "$first"
  for i in $(seq 2 100); do cp --reflink=never "$first" "$to/$(printf 'f_%04d.dpx' "$i")"; done
}

make_frames "$work/2k" 2048 1556 100
make_frames "$work/hd" 1920 1080 200
move_pixels_to_2048 "$work/2k" "$work/2k_2048"
mkdir -p "$work/out"
for dir in 2k hd 2k_2048; do
  "$reelmaker" info "$work/$dir/f_0001.dpx" | grep -q "accepted     yes" ||
    { echo "reelmaker refuses $work/$dir/f_0001.dpx" >&2; exit 1; }
done

# The XFS file system, when this machine can mount one.
xfs_problem=""
if [ "$(id -u)" != 0 ]; then
  xfs_problem="mounting an image file needs root"
elif ! command -v mkfs.xfs >/dev/null; then
  xfs_problem="mkfs.xfs is missing (apt-get install xfsprogs)"
else
  mkdir -p "$xfs"
  # An image kept from an earlier run is mounted again; a new one is made where there is none.
  if ! mounted "$xfs" && ! { [ -e "$work/xfs.img" ] && mount -o loop "$work/xfs.img" "$xfs" 2>/dev/null; }; then
    rm -f "$work/xfs.img"
    truncate -s 8G "$work/xfs.img"
    if ! mkfs.xfs -q -m reflink=1 "$work/xfs.img" 2>"$work/mkfs.err" ||
      ! mount -o loop "$work/xfs.img" "$xfs" 2>"$work/mount.err"; then
      xfs_problem="this machine can't mount an XFS image: $(cat "$work/mkfs.err" "$work/mount.err" 2>/dev/null | head -1)"
    fi
  fi
fi
if [ -z "$xfs_problem" ]; then
  for dir in 2k 2k_2048; do
    if [ ! -e "$xfs/$dir/f_0100.dpx" ]; then
      echo "copying $dir into the XFS file system ..." >&2
      mkdir -p "$xfs/$dir"
      cp --reflink=never "$work/$dir"/f_*.dpx "$xfs/$dir/"
    fi
  done
  mkdir -p "$xfs/out"
fi

# Every case: its frames, where its outputs go, and its command: cat, pipe (cat | cat), translate,
# user (translate forced to copy through the process) or baseline (BASELINE's translate).
declare -A frames_of out_of kind_of
cases=()
add_case() {
  cases+=("$1")
  frames_of[$1]=$2
  out_of[$1]=$3
  kind_of[$1]=$4
}
for dir in 2k hd 2k_2048; do
  add_case "cat $dir" "$work/$dir" "$work/out" cat
  add_case "translate $dir" "$work/$dir" "$work/out" translate
  [ -z "$baseline" ] || add_case "baseline $dir" "$work/$dir" "$work/out" baseline
done
add_case "pipe 2k" "$work/2k" "$work/out" pipe
add_case "user 2k" "$work/2k" "$work/out" user
if [ -z "$xfs_problem" ]; then
  for dir in 2k 2k_2048; do
    add_case "xfs cat $dir" "$xfs/$dir" "$xfs/out" cat
    add_case "xfs translate $dir" "$xfs/$dir" "$xfs/out" translate
  done
  add_case "xfs pipe 2k_2048" "$xfs/2k_2048" "$xfs/out" pipe
fi

# run CASE: one timed run, the inputs warm and the disks synced, its output removed before and after.
# Appends the wall seconds, the CPU seconds (user + system), the peak memory (KB) and, for XFS, the
# used space the run left (KB, after sync) to the case's lists.
declare -A wall cpu rss grown output_bytes
run() {
  local c=$1 frames=${frames_of[$1]} out=${out_of[$1]}
  rm -f "$out"/*
  cat "$frames"/f_*.dpx >/dev/null
  sync
  local used_before used_after start end
  used_before=$(df -k --output=used "$out" | tail -1)
  local cmd=()
  # shellcheck disable=SC2016 # the frames' folder and the output are the inner shell's arguments
  case ${kind_of[$c]} in
    cat) cmd=(sh -c 'cat "$1"/f_*.dpx >"$2"' cat "$frames" "$out/cat.raw") ;;
    pipe) cmd=(sh -c 'cat "$1"/f_*.dpx | cat >"$2"' pipe "$frames" "$out/pipe.raw") ;;
    translate) cmd=("$reelmaker" translate --quiet "$frames/f_0001.dpx" -o "$out/movie.mov") ;;
    user) cmd=(env REELMAKER_TEST_COPY_WAY=user "$reelmaker" translate --quiet "$frames/f_0001.dpx" -o "$out/movie.mov") ;;
    baseline) cmd=("$baseline" translate --quiet "$frames/f_0001.dpx" -o "$out/movie.mov") ;;
  esac
  start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "${cmd[@]}" >/dev/null 2>"$work/last.err" || {
    echo "failed: ${cmd[*]}" >&2
    sed 's/^/  /' "$work/last.err" >&2
    exit 1
  }
  end=$EPOCHREALTIME
  sync
  used_after=$(df -k --output=used "$out" | tail -1)
  local user system peak
  read -r user system peak <"$work/time.txt"
  wall[$c]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }') "
  cpu[$c]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }') "
  rss[$c]+="$peak "
  grown[$c]+="$((used_after - used_before)) "
  output_bytes[$c]=$(stat -c %s "$out"/* | head -1)
  rm -f "$out"/*
}

# The way each export took, as translate --json says it.
declare -A way
for c in "${cases[@]}"; do
  forced=()
  case ${kind_of[$c]} in
    translate) ;;
    user) forced=(REELMAKER_TEST_COPY_WAY=user) ;;
    *) continue ;;
  esac
  rm -f "${out_of[$c]}"/*
  way[$c]=$(env "${forced[@]}" "$reelmaker" translate --json --quiet "${frames_of[$c]}/f_0001.dpx" \
    -o "${out_of[$c]}/movie.mov" 2>/dev/null | sed -n 's/.*"copy":"\([a-z]*\)".*/\1/p')
  rm -f "${out_of[$c]}"/*
done

# Rounds interleave the cases, in an order that turns each round.
for round in $(seq 1 "$rounds"); do
  for k in "${!cases[@]}"; do
    run "${cases[$(((k + round) % ${#cases[@]}))]}"
  done
  echo "round $round of $rounds done" >&2
done

min() { tr ' ' '\n' <<<"$1" | grep . | sort -g | head -1; }
max() { tr ' ' '\n' <<<"$1" | grep . | sort -g | tail -1; }
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# line CASE LABEL: median [min-max] of wall and CPU time, and the way taken.
line() {
  local c=$1
  awk -v l="$2" -v wm="$(median "${wall[$c]}")" -v w0="$(min "${wall[$c]}")" -v w1="$(max "${wall[$c]}")" \
    -v cm="$(median "${cpu[$c]}")" -v c0="$(min "${cpu[$c]}")" -v c1="$(max "${cpu[$c]}")" -v way="${way[$c]:-}" \
    'BEGIN { printf "  %-34s wall %7.3f s [%.3f-%.3f]   cpu %5.2f s [%.2f-%.2f]%s\n", l, wm, w0, w1, cm, c0, c1,
             way == "" ? "" : "   copy: " way }'
}
# ratio A B WHAT TARGET: A over B of the medians (and of the minima) of wall or cpu.
ratio() {
  local -n list=$3
  awk -v a="$(median "${list[$1]}")" -v b="$(median "${list[$2]}")" -v a0="$(min "${list[$1]}")" \
    -v b0="$(min "${list[$2]}")" -v what="$3" -v target="$4" -v l="$5" 'BEGIN {
      r = b > 0 ? a / b : 0; r0 = b0 > 0 ? a0 / b0 : 0
      printf "  %-34s %s %5.2f (minima %.2f)   target <= %s: %s\n", l, what, r, r0, target,
             (r <= target) ? "met" : "NOT met" }'
}

mb() { awk -v b="$(cat "$1"/f_*.dpx | wc -c)" 'BEGIN { printf "%.1f MB", b / 1e6 }'; }
# local_disk DIR TITLE: the figures of the local disk's cases of one sequence.
local_disk() {
  echo " $2 ($(mb "$work/$1"))"
  line "cat $1" "cat"
  line "translate $1" "reelmaker translate"
  [ -z "$baseline" ] || line "baseline $1" "BASELINE translate"
  [ "$1" != 2k ] || line "user 2k" "translate, forced to copy (user)"
  [ "$1" != 2k ] || line "pipe 2k" "cat | cat"
  ratio "translate $1" "cat $1" wall 1.0 "translate / cat"
  ratio "translate $1" "cat $1" cpu 1.0 "translate / cat"
  if [ -n "$baseline" ]; then
    ratio "translate $1" "baseline $1" wall 1.0 "translate / BASELINE"
    ratio "translate $1" "baseline $1" cpu 1.0 "translate / BASELINE"
  fi
}
peak() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }

echo
echo "local disk ($(df --output=fstype "$work" | tail -1)), $rounds rounds: median [min-max]"
local_disk 2k "100 frames of 2048x1556, pixel data at 8192"
ratio "user 2k" "cat 2k" wall 1.0 "translate (user) / cat"
memory=$(median "${rss[translate 2k]}")
echo "  peak memory of the 2K export: $(peak "$memory") [$(peak "$(min "${rss[translate 2k]}")")-$(peak "$(max "${rss[translate 2k]}")")]," \
  "forced to copy: $(peak "$(median "${rss[user 2k]}")")${baseline:+, BASELINE: $(peak "$(median "${rss[baseline 2k]}")")}" \
  "  target < 16 MB: $(awk -v m="$memory" 'BEGIN { print (m < 16 * 1024) ? "met" : "NOT met" }')"
local_disk hd "200 frames of 1920x1080, pixel data at 8192"
local_disk 2k_2048 "100 frames of 2048x1556, pixel data at 2048"

echo
if [ -n "$xfs_problem" ]; then
  echo "XFS with reflink: skipped: $xfs_problem"
  exit 0
fi
echo "XFS with reflink, loop-mounted image, $rounds rounds: median [min-max]"
echo " 100 frames of 2048x1556, pixel data at 8192 ($(mb "$xfs/2k")): the blocks shared"
line "xfs cat 2k" "cat"
line "xfs translate 2k" "reelmaker translate"
awk -v m="$(median "${wall[xfs translate 2k]}")" 'BEGIN {
  printf "  %-34s %.3f s   target <= 0.1 s: %s\n", "translate", m, (m <= 0.1) ? "met" : "NOT met" }'
awk -v g="$(median "${grown[xfs translate 2k]}")" -v g0="$(min "${grown[xfs translate 2k]}")" \
  -v g1="$(max "${grown[xfs translate 2k]}")" -v c="$(median "${grown[xfs cat 2k]}")" -v bytes="${output_bytes[xfs translate 2k]}" 'BEGIN {
    printf "  used space grown by the movie: %d KB [%d-%d] of a %.1f MB movie (%.3f %%; by cat: %d KB)   target < 1 %%: %s\n",
           g, g0, g1, bytes / 1e6, 100 * g * 1024 / bytes, c, (g * 1024 < bytes / 100) ? "met" : "NOT met" }'
echo " 100 frames of 2048x1556, pixel data at 2048 ($(mb "$xfs/2k_2048")): no sharing possible"
line "xfs cat 2k_2048" "cat (shares what falls on a block)"
line "xfs pipe 2k_2048" "cat | cat"
line "xfs translate 2k_2048" "reelmaker translate"
ratio "xfs translate 2k_2048" "xfs cat 2k_2048" wall 1.0 "translate / cat"
ratio "xfs translate 2k_2048" "xfs cat 2k_2048" cpu 1.0 "translate / cat"
ratio "xfs translate 2k_2048" "xfs pipe 2k_2048" wall 1.0 "translate / cat | cat"
ratio "xfs translate 2k_2048" "xfs pipe 2k_2048" cpu 1.0 "translate / cat | cat"
