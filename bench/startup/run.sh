#!/usr/bin/env bash
# Kavreno's start-up against its yardsticks, measured side by side in one run:
#
#  (a) the window: from process start to the first painted main window, and the
#      peak memory (maximum resident set), of `kavreno` (KAVRENO_EXIT_AFTER_PAINT=1)
#      against kavreno_bare_qt, a bare Qt Widgets program with the same widgets
#      that also ends after its first paint; both on X11 under Xvfb.
#      Target: kavreno within 1.2 times the bare program, in time and in memory.
#  (b) the text: `kavreno --text` as a whole process against kavreno_plain_text,
#      a plain C++ program that makes the same queries and prints them.
#      Target: within 2 times.
#  (c) the JSON: `kavreno --json` as a whole process against `kavreno --text`.
#      Target: within 1.1 times.
#
# Usage: bench/startup/run.sh BUILD_DIR [RUNS]
#   BUILD_DIR holds bin/kavreno, bin/kavreno_bare_qt and bin/kavreno_plain_text
#   (the yardsticks are built from bench/startup/CMakeLists.txt); KAVRENO,
#   BARE_QT and PLAIN_TEXT name the programs elsewhere. RUNS: runs of each
#   program (default 20), taken in turns; medians are reported.
# Needs Xvfb and /usr/bin/time (GNU time).
set -euo pipefail

build=${1:?usage: bench/startup/run.sh BUILD_DIR [RUNS]}
runs=${2:-20}
kavreno=${KAVRENO:-$build/bin/kavreno}
bare=${BARE_QT:-$build/bin/kavreno_bare_qt}
plain=${PLAIN_TEXT:-$build/bin/kavreno_plain_text}
for program in "$kavreno" "$bare" "$plain" /usr/bin/time; do
  [[ -x $program ]] || { echo "missing: $program" >&2; exit 2; }
done
command -v Xvfb > /dev/null || { echo "missing: Xvfb" >&2; exit 2; }

tmp=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2> /dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# One X server for every window run.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$tmp/display" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 50); do
  [[ -s $tmp/display ]] && break
  sleep 0.1
done
[[ -s $tmp/display ]] || { echo "Xvfb did not start" >&2; exit 2; }
display=":$(head -1 "$tmp/display")"

# run FILE COMMAND...: one run; appends "milliseconds kilobytes" to FILE.
run() {
  local file=$1
  shift
  local start end
  start=$EPOCHREALTIME
  if ! /usr/bin/time -f %M -o "$tmp/rss" "$@" > /dev/null 2> "$tmp/stderr"; then
    echo "failed: $*" >&2
    cat "$tmp/stderr" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  echo "$start $end $(tail -1 "$tmp/rss")" |
    awk '{ printf "%.2f %d\n", ($2 - $1) * 1000, $3 }' >> "$file"
}

median() {  # FILE COLUMN
  sort -n -k "$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

window_env=(env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb)
# A first run of each warms the caches (fonts, libraries) and is not counted.
run "$tmp/warm" "${window_env[@]}" KAVRENO_EXIT_AFTER_PAINT=1 "$kavreno"
run "$tmp/warm" "${window_env[@]}" "$bare"
run "$tmp/warm" "$kavreno" --text
run "$tmp/warm" "$plain"
# Each pair runs in turns, the order swapped every round, so that neither
# program always follows the other (the X server still tidying up after a
# window, say). The window pairs run first, then the text pairs.
pair() {  # FILE_A FILE_B ROUND, then the two commands separated by --
  local a=$1 b=$2 round=$3
  shift 3
  local -a first=() second=()
  while [[ $1 != -- ]]; do first+=("$1"); shift; done
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
for ((i = 0; i < runs; i++)); do
  pair "$tmp/kavreno-window" "$tmp/bare-window" "$i" \
    "${window_env[@]}" KAVRENO_EXIT_AFTER_PAINT=1 "$kavreno" -- "${window_env[@]}" "$bare"
done
sleep 1  # let the X server settle before the text runs
for ((i = 0; i < runs; i++)); do
  pair "$tmp/kavreno-text" "$tmp/plain-text" "$i" "$kavreno" --text -- "$plain"
done
run "$tmp/warm" "$kavreno" --json
for ((i = 0; i < runs; i++)); do
  pair "$tmp/kavreno-json" "$tmp/kavreno-text-again" "$i" "$kavreno" --json -- "$kavreno" --text
done

report() {  # TITLE KAVRENO_FILE YARDSTICK_FILE YARDSTICK_NAME TARGET
  local kt km yt ym
  kt=$(median "$2" 1); km=$(median "$2" 2)
  yt=$(median "$3" 1); ym=$(median "$3" 2)
  printf '%s\n' "$1"
  printf '  %-22s %10s ms %10s KB\n' "kavreno" "$kt" "$km" "$4" "$yt" "$ym"
  awk -v kt="$kt" -v yt="$yt" -v km="$km" -v ym="$ym" -v target="$5" 'BEGIN {
    rt = kt / yt; rm = km / ym
    printf "  %-22s %10.2f x  %10.2f x   (target: %s x or less: time %s, memory %s)\n",
      "ratio", rt, rm, target, (rt <= target ? "met" : "missed"), (rm <= target ? "met" : "missed") }'
}

echo "Start-up, median of $runs runs each"
report "(a) window to first paint (Xvfb, X11)" "$tmp/kavreno-window" "$tmp/bare-window" \
  "bare Qt widgets" 1.2
report "(b) text presentation" "$tmp/kavreno-text" "$tmp/plain-text" "plain C++ program" 2
report "(c) JSON against the text presentation" "$tmp/kavreno-json" "$tmp/kavreno-text-again" \
  "kavreno --text" 1.1
