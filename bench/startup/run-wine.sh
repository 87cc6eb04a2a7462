#!/usr/bin/env bash
# The Windows program's start-up under Wine against its yardstick, measured
# side by side in one run: from process start to the first painted main
# window (KAVRENO_EXIT_AFTER_PAINT=1: both programs end once their first
# paints are done), and the peak memory (maximum resident set of the Wine
# process), of kavreno.exe against kavreno_bare_win32.exe, a bare Win32
# program that opens one window with the same controls.
# Target: kavreno.exe within 1.15 times the bare program, in time and memory.
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
# Where the kernel cannot start 32-bit programs, Wine and its tools run 64-bit
# (the build measured is then the 64-bit one, preset windows64).
kv_wine_can_run_32bit || kv_wine_use_64bit "$tmp/bin"
kv_wine_new_prefix "$WINEPREFIX"
kv_wine_warm  # the server and the desktop stay up: neither program pays for them

export KV_BENCH_TMP=$tmp
# shellcheck source=bench/startup/measure.sh
source "$root/bench/startup/measure.sh"

# A first run of each warms the caches and is not counted.
run "$tmp/warm" "$wine" "$kavreno"
run "$tmp/warm" "$wine" "$bare"
for ((i = 0; i < runs; i++)); do
  pair "$tmp/kavreno" "$tmp/bare" "$i" "$wine" "$kavreno" -- "$wine" "$bare"
done
report "Windows start-up under Wine, median of $runs runs each" kavreno.exe "$tmp/kavreno" \
  "bare Win32 window" "$tmp/bare" 1.15
