#!/bin/sh
# Builds the benchmarks in an optimised build and runs them. Arguments go to
# the benchmark program (for example --benchmark_filter=DriveReport).
# BUILD_DIR chooses the build folder (default: build/bench); BENCH the program
# (default kv_bench; kv_mounts_bench times the mount snapshot on generated tables).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$here/build/bench"}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DKAVRENO_TESTS=OFF -DKAVRENO_BENCH=ON -DKAVRENO_QT=OFF >/dev/null
bench=${BENCH:-kv_bench}
cmake --build "$build" --target "$bench" -j 2
exec "$build/bin/$bench" "$@"
