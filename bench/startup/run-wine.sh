#!/usr/bin/env bash
# The Windows program's start-up under Wine against its yardstick, measured
# side by side in one run: from process start to the first painted main
# window (KAVRENO_EXIT_AFTER_PAINT=1: both programs end once their first
# paints are done), and the peak memory (maximum resident set of the Wine
# process), of kavreno.exe against kavreno_bare_win32.exe, a bare Win32
# program that opens one window with the same controls.
# Target: kavreno.exe within 1.2 times the bare program, in time and memory.
#
# Usage: bench/startup/run-wine.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR holds bin/kavreno.exe and bin/kavreno_bare_win32.exe (default
#   build/windows); RUNS: runs of each program (default 20), taken in turns,
#   the order swapped every round; medians are reported. WINE names the Wine
#   loader (default: wine). Needs Xvfb (xvfb-run) and /usr/bin/time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${1:-$root/build/windows}")
runs=${2:-20}
kavreno=$build/bin/kavreno.exe
bare=$build/bin/kavreno_bare_win32.exe
for f in "$kavreno" "$bare" /usr/bin/time; do
  [ -e "$f" ] || { echo "missing: $f" >&2; exit 2; }
done
if [ "${KV_INSIDE_XVFB:-}" != 1 ]; then
  KV_INSIDE_XVFB=1 exec xvfb-run -a --server-args="-screen 0 1280x1024x24 -nolisten tcp" \
    "$0" "$build" "$runs"
fi
source "$root/tools/wine-env.sh"
wine=${WINE:-wine}
export KAVRENO_EXIT_AFTER_PAINT=1
kv_wine_session bench-wine
tmp=$KV_WORK
kv_wine_new_prefix "$WINEPREFIX"
kv_wine_warm  # the server and the desktop stay up: neither program pays for them

run() {  # FILE PROGRAM: one run; appends "milliseconds kilobytes" to FILE
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$tmp/rss" "$wine" "$2" >/dev/null 2>"$tmp/stderr" ||
    { echo "failed: $2" >&2; cat "$tmp/stderr" >&2; exit 1; }
  end=$EPOCHREALTIME
  echo "$start $end $(tail -1 "$tmp/rss")" |
    awk '{ printf "%.2f %d\n", ($2 - $1) * 1000, $3 }' >>"$1"
}
median() {  # FILE COLUMN
  sort -n -k "$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# A first run of each warms the caches and is not counted.
run "$tmp/warm" "$kavreno"
run "$tmp/warm" "$bare"
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then
    run "$tmp/kavreno" "$kavreno"
    run "$tmp/bare" "$bare"
  else
    run "$tmp/bare" "$bare"
    run "$tmp/kavreno" "$kavreno"
  fi
done

kt=$(median "$tmp/kavreno" 1) km=$(median "$tmp/kavreno" 2)
bt=$(median "$tmp/bare" 1) bm=$(median "$tmp/bare" 2)
echo "Windows start-up under Wine, median of $runs runs each"
printf '  %-22s %10s ms %10s KB\n' "kavreno.exe" "$kt" "$km" "bare Win32 window" "$bt" "$bm"
awk -v kt="$kt" -v bt="$bt" -v km="$km" -v bm="$bm" 'BEGIN {
  rt = kt / bt; rm = km / bm
  printf "  %-22s %10.2f x  %10.2f x   (target: 1.2 x or less: time %s, memory %s)\n",
    "ratio", rt, rm, (rt <= 1.2 ? "met" : "missed"), (rm <= 1.2 ? "met" : "missed") }'
