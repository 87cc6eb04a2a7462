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
#      Target: within 1.3 times. /usr/bin/time's own start is inside both
#      times here, which flatters the ratio: text_speed.sh times the two
#      processes alone.
#  (c) the JSON: `kavreno --json` as a whole process against `kavreno --text`.
#      Target: within 1.1 times.
#  (d) the support report: `kavreno --report` against `kavreno --text`, both
#      whole processes. Target: within 1.1 times.
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

export KV_BENCH_TMP=$tmp
# shellcheck source=bench/startup/measure.sh
source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

window_env=(env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb)
# A first run of each warms the caches (fonts, libraries) and is not counted.
run "$tmp/warm" "${window_env[@]}" KAVRENO_EXIT_AFTER_PAINT=1 "$kavreno"
run "$tmp/warm" "${window_env[@]}" "$bare"
run "$tmp/warm" "$kavreno" --text
run "$tmp/warm" "$plain"
# The window pairs run first, then the text pairs.
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
for ((i = 0; i < runs; i++)); do
  pair "$tmp/kavreno-report" "$tmp/kavreno-text-third" "$i" "$kavreno" --report -- "$kavreno" --text
done

echo "Start-up, median of $runs runs each"
report "(a) window to first paint (Xvfb, X11)" kavreno "$tmp/kavreno-window" \
  "bare Qt widgets" "$tmp/bare-window" 1.2
report "(b) text presentation" kavreno "$tmp/kavreno-text" "plain C++ program" "$tmp/plain-text" 1.3
report "(c) JSON against the text presentation" kavreno "$tmp/kavreno-json" \
  "kavreno --text" "$tmp/kavreno-text-again" 1.1
report "(d) support report against the text presentation" "kavreno --report" \
  "$tmp/kavreno-report" "kavreno --text" "$tmp/kavreno-text-third" 1.1
