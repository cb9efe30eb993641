#!/usr/bin/env bash
# translate on a cluster against translate here, run by hand (never by ctest), in interleaved rounds
# with the page cache warm: the farm's overhead, in all and per task, the scheduler's cycle included.
#
#   1. 20 sequences of 50 frames of 320 x 180 (one folder each)
#   2. 4 sequences of 100 frames of 2048 x 1556
#
# each as `translate --all DIR -R --jobs 2` here and `... --farm slurm --jobs 2` on a private
# one-node Slurm that the script starts (its own slurm.conf, ports, state and log folders in the work
# folder; auth/none, no accounting) and stops at the end.
#
# usage: bench/farm_bench.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), ROUNDS (default 3). Needs root, Slurm
# (scripts/setup.sh), ffmpeg, python3 and about 3 GB of disk.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELMAKER_BUILD_DIR:-$root/build}"
reelmaker="$build/src/reelmaker"
rounds="${ROUNDS:-3}"
[ -x "$reelmaker" ] || { echo "missing $reelmaker: build first (scripts/build.sh)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "a private Slurm runs its slurmd as root: run as root" >&2; exit 1; }
for tool in slurmctld slurmd sbatch squeue scontrol sinfo ffmpeg python3; do
  command -v "$tool" >/dev/null || { echo "$tool is required (scripts/setup.sh installs it)" >&2; exit 1; }
done
source "$root/bench/common.sh"
use_work_dir "$@"
export SOURCE_DATE_EPOCH=1700000000 # so that the movies made here and on the farm can be compared

# The private cluster, stopped on every way out.
cluster="$work/slurm"
rm -rf "$cluster" && mkdir -p "$cluster/state" "$cluster/spool" "$cluster/log"
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])'; }
host="$(hostname -s)"
cat >"$cluster/slurm.conf" <<CONF
ClusterName=reelmaker-bench
SlurmctldHost=$host
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/none
CredType=cred/none
MpiDefault=none
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/slurmctld.pid
SlurmdPidFile=$cluster/slurmd.pid
SlurmctldLogFile=$cluster/log/slurmctld.log
SlurmdLogFile=$cluster/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MailProg=/bin/true
KillWait=5
ReturnToService=2
SchedulerParameters=batch_sched_delay=0,sched_min_interval=0
NodeName=$host CPUs=$(nproc) State=UNKNOWN
PartitionName=bench Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$cluster/slurm.conf"
slurmctld -D -f "$SLURM_CONF" >"$cluster/log/slurmctld.out" 2>&1 &
controller=$!
slurmd -D -f "$SLURM_CONF" >"$cluster/log/slurmd.out" 2>&1 &
node=$!
stop_cluster() {
  scontrol shutdown >/dev/null 2>&1 || true
  for pid in "$controller" "$node"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "${remove_work:-}" ] && rm -rf "$work"
}
# use_work_dir's trap removes a temporary work folder: done here after the cluster stopped.
[ $# -eq 0 ] && remove_work=1
trap stop_cluster EXIT
trap 'exit 130' INT TERM
for _ in $(seq 300); do
  [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && break
  sleep 0.1
done
[ "$(sinfo -h -o %T)" = idle ] || { echo "the private Slurm didn't come up; see $cluster/log" >&2; exit 1; }

# The sequences (kept between runs in WORK_DIR): hard links to one 320 x 180 frame, and 100 2K frames
# that ffmpeg writes (big-endian 10-bit RGB) linked into four folders.
small="$work/small" big="$work/big"
if [ ! -e "$small/clip19/clip19_0050.dpx" ]; then
  echo "making 20 sequences of 50 frames of 320x180 ..."
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=320x180:rate=24" -frames:v 1 -pix_fmt gbrp10be "$work/hd.dpx"
  for s in $(seq -w 0 19); do
    mkdir -p "$small/clip$s"
    for f in $(seq -w 1 50); do ln -f "$work/hd.dpx" "$small/clip$s/clip${s}_00$f.dpx"; done
  done
fi
if [ ! -e "$big/reel3/reel3_0100.dpx" ]; then
  echo "making 4 sequences of 100 frames of 2048x1556 ..."
  mkdir -p "$work/2k"
  ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=2048x1556:rate=24" -frames:v 100 -pix_fmt gbrp10be \
    "$work/2k/f_%04d.dpx"
  for s in 0 1 2 3; do
    mkdir -p "$big/reel$s"
    for f in $(seq -w 1 100); do ln -f "$work/2k/f_0$f.dpx" "$big/reel$s/reel${s}_0$f.dpx"; done
  done
fi

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
run() { # WHERE SET: one translate of the set, here or on the farm, into a fresh folder
  local out="$work/out-$1-$2"
  rm -rf "$out"
  local farm=()
  [ "$1" = farm ] && farm=(--farm slurm)
  seconds "$reelmaker" translate --all "$work/$2" -R --jobs 2 -o "$out/" --quiet "${farm[@]}"
}

declare -A times
"$reelmaker" ls -R "$work/small" "$work/big" >/dev/null # warm the cache
cat "$work"/2k/*.dpx >/dev/null
for ((round = 1; round <= rounds; round++)); do
  for set in small big; do
    for where in local farm; do
      times[$where-$set]+="$(run "$where" "$set") "
    done
  done
done
cmp -s "$work/out-local-big/reel0_.mov" "$work/out-farm-big/reel0_.mov" && same="byte for byte the same" || same="DIFFERENT"
# shellcheck disable=SC2086
report() { # SET LABEL TASKS
  local here there
  here=$(median ${times[local-$1]})
  there=$(median ${times[farm-$1]})
  printf '%-28s here %7.2f s   farm %7.2f s   overhead %6.2f s in all, %5.3f s per task (%d tasks)\n' \
    "$2" "$here" "$there" "$(echo "$there - $here" | bc -l)" "$(echo "($there - $here) / $3" | bc -l)" "$3"
}
echo "translate --all -R --jobs 2, median of $rounds rounds (farm: one-node Slurm, --jobs 2 = %2):"
report small "20 x 50 frames 320x180" 20
report big "4 x 100 frames 2048x1556" 4
echo "the 2K movie made on the farm and here: $same"
