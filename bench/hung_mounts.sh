#!/usr/bin/env bash
# The drive report with file systems that never answer, at the real limit of
# 2 seconds: 8 mounts like a network share whose server is gone, one whose
# source names a path on such a mount, and a normal one after them.
# Target: `kavreno --text` complete, its output at its end, within 2.5 s.
#
# Usage: bench/hung_mounts.sh BUILD_DIR [RUNS]
#   BUILD_DIR holds bin/kavreno and bin/kv_hangfs. Needs /dev/fuse and
#   `unshare -rm`.
set -euo pipefail
build=${1:?usage: bench/hung_mounts.sh BUILD_DIR [RUNS]}
runs=${2:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
for ((i = 0; i < runs; i++)); do
  "$here/tests/linux/hung_mounts.sh" "$build/bin/kavreno" "$build/bin/kv_hangfs" 8 2000 2500 |
    grep -E "^(report|FAIL|SKIP)"
done
