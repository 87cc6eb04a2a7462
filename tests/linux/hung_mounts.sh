#!/usr/bin/env bash
# kavreno --text with file systems that never answer: COUNT mounts like a
# network share whose server is gone, one whose source names a path on such
# a mount, and a normal one after them. With a limit of LIMIT_MS for the
# queries, the whole report is written (hung mounts show "-" and 0), in mount
# order, and the output reaches its end within BUDGET_MS: the hung queries
# are asked together under one limit, and nothing stuck holds the output open.
#
# Usage: hung_mounts.sh KAVRENO KV_HANGFS [COUNT [LIMIT_MS [BUDGET_MS]]]
# Runs in a user and mount namespace of its own; exits 77 (skipped) where the
# machine cannot make one or has no /dev/fuse.
set -euo pipefail
kavreno=$1 hangfs=$2 count=${3:-8} limit_ms=${4:-300} budget_ms=${5:-1800}

if [[ ${KV_IN_NAMESPACE:-} != 1 ]]; then
  [[ -r /dev/fuse && -w /dev/fuse ]] || { echo "SKIP: no usable /dev/fuse"; exit 77; }
  unshare -rm --propagation private true 2> /dev/null ||
    { echo "SKIP: cannot make a user and mount namespace (unshare -rm)"; exit 77; }
  KV_IN_NAMESPACE=1 exec unshare -rm --propagation private "$0" "$@"
fi

dir=$(mktemp -d)
hangfs_pid=
cleanup() {
  [[ -n $hangfs_pid ]] && kill "$hangfs_pid" 2> /dev/null
  rm -rf "$dir" 2> /dev/null || true
}
trap cleanup EXIT

args=()
for ((i = 1; i <= count; i++)); do
  mkdir "$dir/share$i"
  args+=(fuse.sshfs "server$i:/export" "$dir/share$i")
done
mkdir "$dir/hostile" "$dir/normal"
args+=(fuse.hangfs "/dev/../$dir/share1/dev" "$dir/hostile")
"$hangfs" "${args[@]}" > "$dir/ready" &
hangfs_pid=$!
for _ in $(seq 100); do
  [[ -s $dir/ready ]] && break
  kill -0 "$hangfs_pid" 2> /dev/null || { echo "SKIP: cannot mount a FUSE file system here"; exit 77; }
  sleep 0.05
done
mount -t tmpfs -o size=1m normal "$dir/normal"

start=$EPOCHREALTIME
set +e
KAVRENO_QUERY_LIMIT_MS=$limit_ms "$kavreno" --text | timeout 20 cat > "$dir/out"
codes=("${PIPESTATUS[@]}")
set -e
elapsed=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%d", (e - s) * 1000 }')
echo "report with $((count + 1)) hung mounts: ${elapsed} ms (limit ${limit_ms} ms)"

fail() { echo "FAIL: $*"; cat "$dir/out"; exit 1; }
[[ ${codes[1]} != 124 ]] || fail "the output did not reach its end"
[[ ${codes[0]} == 0 ]] || fail "kavreno ended with ${codes[0]}"
((elapsed < budget_ms)) || fail "took ${elapsed} ms, more than ${budget_ms} ms"

hung() {  # ROOT TYPE
  printf 'Disk %s\n  Volume Name: -\n  File System: -\n  Drive Type:  %s\n' "$1" "$2"
  printf '  Total Space:  0Bytes\n  Free Space:   0Bytes\n'
}
{
  for ((i = 1; i <= count; i++)); do hung "$dir/share$i" Remote; done
  hung "$dir/hostile" Fixed
  printf 'Disk %s\n  Volume Name: \n  File System: tmpfs\n  Drive Type:  RAMdisk\n' "$dir/normal"
} > "$dir/expected"
[[ $(< "$dir/out") == *"$(< "$dir/expected")"* ]] || fail "the report's blocks are not as expected"
echo "PASS"
