#!/usr/bin/env bash
# Builds the fuzz targets (clang with libFuzzer and the address and
# undefined-behaviour sanitizers, preset linux-fuzz) and runs each for a while.
#   tools/fuzz.sh [seconds per target, default 60] [target ...]
# Targets: visible_text code_page mountinfo meminfo keyboard drive_report.
# Inputs that find new paths are kept in build/linux-fuzz/tests/fuzz/found/<target>
# (copy the good ones to tests/fuzz/corpus/<target>); an input that breaks a
# property or crashes is written to build/linux-fuzz/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(visible_text code_page mountinfo meminfo keyboard drive_report)

tools/setup.sh linux
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz --target kv_fuzz

build=build/linux-fuzz
for t in "${targets[@]}"; do
  echo "== $t: $seconds s"
  mkdir -p "$build/tests/fuzz/found/$t"
  "$build/bin/${t}_fuzz" -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$build/" \
    -print_final_stats=1 "$build/tests/fuzz/found/$t" "tests/fuzz/corpus/$t"
done
