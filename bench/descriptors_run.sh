#!/usr/bin/env bash
# Running out of file descriptors must fail a sequence, never shorten it: `translate --reference
# --all TREE -R --jobs 4` under `ulimit -n 16` over 100 folders of 1,000 frames, RUNS times. Each run
# prints how many movies came out complete, how many of those lack a frame (must be 0), how many
# failed, and the reasons the failures give. Run by hand, never by ctest.
#
# usage: bench/descriptors_run.sh [WORK_DIR]    (default: a temporary directory, removed at the end)
# Environment: REELMAKER_BUILD_DIR (default build/), RUNS (default 5), LIMIT (default 16). Needs python3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
reelmaker="${REELMAKER_BUILD_DIR:-$root/build}/src/reelmaker"
runs="${RUNS:-5}"
limit="${LIMIT:-16}"
[ -x "$reelmaker" ] || { echo "missing $reelmaker: build first (scripts/build.sh)" >&2; exit 1; }
source "$root/bench/common.sh"
use_work_dir "$@"

# One small frame per folder, linked under every name: the folders cost no space.
python3 - "$work/tree" <<PY
$SMALL_FRAME_PY
import os, sys
tree = sys.argv[1]
os.makedirs(tree, exist_ok=True)
frame = small_frame()
for folder in range(1, 101):
    path = os.path.join(tree, 'reel%03d' % folder)
    os.makedirs(path, exist_ok=True)
    # Outside the tree, which must hold nothing but the sequences; a file takes some 65,000 links.
    source = os.path.join(tree + '.frames', 'frame%03d' % folder)
    os.makedirs(os.path.dirname(source), exist_ok=True)
    with open(source, 'wb') as f:
        f.write(frame)
    for number in range(1, 1001):
        name = os.path.join(path, 'shot%03d_%04d.dpx' % (folder, number))
        if not os.path.exists(name):
            os.link(source, name)
PY

for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/out"
  status=0
  (ulimit -n "$limit" && exec "$reelmaker" translate --json --quiet --reference --all "$work/tree" -R \
    --jobs 4 -o "$work/out/") >"$work/run.json" 2>"$work/run.err" || status=$?
  python3 - "$work/run.json" "$run" "$status" <<'PY'
import collections, json, re, sys
report = json.load(open(sys.argv[1]))
movies = report.get('movies', [])
complete = [m for m in movies if m.get('complete')]
short = [m for m in complete if m.get('frames_written') != 1000]
reasons = collections.Counter()
for m in movies:
    for problem in m.get('problems', []):
        reasons[re.sub(r'\S*/', '', problem)[:80]] += 1
for problem in report.get('problems', []):
    reasons[re.sub(r'\S*/', '', problem)[:80]] += 1
print('run %s: exit %s, %d movies complete (%d of them missing a frame), %d failed'
      % (sys.argv[2], sys.argv[3], len(complete), len(short), report.get('failed', 0)))
for reason, count in reasons.most_common(5):
    print('    %4d x %s' % (count, reason))
PY
done
