#!/usr/bin/env bash
# `kavreno --text` against kavreno_plain_text, a plain C++ program that makes
# the same queries, each timed as a whole process by kavreno_process_timer
# (fork, exec, wait: no shell and no /usr/bin/time inside the timing).
# Target: within 1.3 times.
#
# Usage: bench/startup/text_speed.sh BUILD_DIR [RUNS]
#   BUILD_DIR holds bin/kavreno, bin/kavreno_plain_text and
#   bin/kavreno_process_timer. RUNS: runs of each (default 200), in turns.
set -euo pipefail
build=${1:?usage: bench/startup/text_speed.sh BUILD_DIR [RUNS]}
runs=${2:-200}
for program in kavreno kavreno_plain_text kavreno_process_timer; do
  [[ -x $build/bin/$program ]] || { echo "missing: $build/bin/$program" >&2; exit 2; }
done
out=$("$build/bin/kavreno_process_timer" "$runs" "$build/bin/kavreno" --text -- \
  "$build/bin/kavreno_plain_text")
echo "Whole processes, median of $runs runs each"
echo "$out"
awk '/^ratio/ { printf "target: 1.30 or less: %s\n", ($2 <= 1.3 ? "met" : "missed") }' <<< "$out"
