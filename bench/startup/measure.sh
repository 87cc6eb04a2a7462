#!/usr/bin/env bash
# The measuring of the start-up benches (run.sh, run-wine.sh), sourced by
# them. Each run's wall time and peak memory (GNU time's maximum resident
# set) go to a file a line a run, "milliseconds kilobytes"; medians compare.
# The caller sets KV_BENCH_TMP, a folder for the runs' scratch files.

# run FILE COMMAND...: one run; appends "milliseconds kilobytes" to FILE.
run() {
  local file=$1
  shift
  local start end
  start=$EPOCHREALTIME
  if ! /usr/bin/time -f %M -o "$KV_BENCH_TMP/rss" "$@" >/dev/null 2>"$KV_BENCH_TMP/stderr"; then
    echo "failed: $*" >&2
    cat "$KV_BENCH_TMP/stderr" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  echo "$start $end $(tail -1 "$KV_BENCH_TMP/rss")" |
    awk '{ printf "%.2f %d\n", ($2 - $1) * 1000, $3 }' >>"$file"
}

# pair FILE_A FILE_B ROUND COMMAND_A... -- COMMAND_B...: one run of each, the
# order swapped every round, so that neither program always follows the
# other (the X server or Wine still tidying up after a window, say).
pair() {
  local a=$1 b=$2 round=$3
  shift 3
  local -a first=() second=()
  while [[ $1 != -- ]]; do
    first+=("$1")
    shift
  done
  shift
  second=("$@")
  if ((round % 2 == 0)); then
    run "$a" "${first[@]}"
    run "$b" "${second[@]}"
  else
    run "$b" "${second[@]}"
    run "$a" "${first[@]}"
  fi
}

median() {  # FILE COLUMN
  sort -n -k "$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# report TITLE NAME FILE YARDSTICK_NAME YARDSTICK_FILE TARGET: the medians
# and their ratios against the target.
report() {
  local kt km yt ym
  kt=$(median "$3" 1)
  km=$(median "$3" 2)
  yt=$(median "$5" 1)
  ym=$(median "$5" 2)
  printf '%s\n' "$1"
  printf '  %-22s %10s ms %10s KB\n' "$2" "$kt" "$km" "$4" "$yt" "$ym"
  awk -v kt="$kt" -v yt="$yt" -v km="$km" -v ym="$ym" -v target="$6" 'BEGIN {
    rt = kt / yt; rm = km / ym
    printf "  %-22s %10.2f x  %10.2f x   (target: %s x or less: time %s, memory %s)\n",
      "ratio", rt, rm, target, (rt <= target ? "met" : "missed"), (rm <= target ? "met" : "missed") }'
}
