#!/usr/bin/env bash
# Whole processes timed by kavreno_process_timer (fork, exec, wait: no shell
# and no /usr/bin/time inside the timing), two command lines in turns:
#  - `kavreno --text` against kavreno_plain_text, a plain C++ program that
#    makes the same queries. Target: within 1.3 times.
#  - `kavreno --report` against `kavreno --text`. Target: within 1.1 times.
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
compare() {  # TITLE TARGET COMMAND_A... -- COMMAND_B...
  local title=$1 target=$2
  shift 2
  local out
  out=$("$build/bin/kavreno_process_timer" "$runs" "$@")
  echo "$title, median of $runs runs each"
  echo "$out"
  awk -v t="$target" '/^ratio/ { printf "target: %s or less: %s\n", t, ($2 <= t ? "met" : "missed") }' \
    <<< "$out"
}
compare "kavreno --text against the plain program" 1.3 \
  "$build/bin/kavreno" --text -- "$build/bin/kavreno_plain_text"
compare "kavreno --report against kavreno --text" 1.1 \
  "$build/bin/kavreno" --report -- "$build/bin/kavreno" --text
