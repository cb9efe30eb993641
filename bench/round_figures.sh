# Timed runs and figures of interleaved benchmark rounds, sourced by the benchmark scripts. Each
# script keeps the seconds of every round of a command NAME in the associative array times[NAME],
# space-separated. The timed runs use the script's $work (scratch), $out (the outputs, emptied around
# every run), $timing (export_timing) and its warm() (inputs read, disk synced).

# seconds COMMAND...: the wall time of one run, warm, its outputs removed before and after.
seconds() {
  rm -f "$out"/*
  warm
  local start=$EPOCHREALTIME end
  "$@" >/dev/null 2>"$work/last.err" || {
    echo "failed: $*" >&2
    sed 's/^/  /' "$work/last.err" >&2
    exit 1
  }
  end=$EPOCHREALTIME
  rm -f "$out"/*
  echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
}
# export_seconds FRAME: the export alone, as export_timing times it (same clean-up as seconds).
export_seconds() {
  rm -f "$out"/*
  warm
  local result
  result=$("$timing" "$1" "$out/alone.mov" 2>"$work/last.err") || {
    echo "failed: export_timing $1" >&2
    sed 's/^/  /' "$work/last.err" >&2
    exit 1
  }
  rm -f "$out"/*
  echo "${result%% *}"
}


# best and median of a list of seconds
best() { tr ' ' '\n' <<<"$1" | grep . | sort -g | head -1; }
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
at_most() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "met" : "NOT met" }'; }
at_least() { awk -v r="$1" -v t="$2" 'BEGIN { print (r >= t) ? "met" : "NOT met" }'; }
# show_ratio LABEL A B TARGET: A's time over B's, of the best rounds (of the medians in brackets),
# against TARGET ("<= X", ">= X" or a note). The best round is the figure: a shared machine slows
# single runs (write-back, memory handed back to the host after large files are deleted), never
# speeds them up.
show_ratio() {
  local r m
  r=$(ratio "$(best "${times[$2]}")" "$(best "${times[$3]}")")
  m=$(ratio "$(median "${times[$2]}")" "$(median "${times[$3]}")")
  case $4 in
    "<= "*) echo "  $1 $r (medians $m)   target $4: $(at_most "$r" "${4#<= }")" ;;
    ">= "*) echo "  $1 $r (medians $m)   target $4: $(at_least "$r" "${4#>= }")" ;;
    *) echo "  $1 $r (medians $m)   $4" ;;
  esac
}
