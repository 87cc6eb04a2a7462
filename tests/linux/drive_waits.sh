#!/usr/bin/env bash
# kavreno --text where the outside would hold or starve it. Each case ends
# within the query limit and a second, with status 0 and the whole report:
#   cwd    the current directory on a file system that never answers
#   path   a PATH entry on such a file system
#   stack  a stack limit of 64 KiB
#   fds    four descriptors: no helper process can start (one line on stderr)
#   nofork no new process may start (kv_nofork): the same
# Where the machine allows a user and mount namespace (and /dev/fuse), every
# case runs in one with a file system that never answers mounted as a network
# share, so that the drive report needs the helper; cwd and path need it and
# are skipped (77) without it, as are fds and nofork, which then need nothing.
#
# Usage: drive_waits.sh KAVRENO KV_HANGFS KV_NOFORK CASE [LIMIT_MS]
set -euo pipefail
kavreno=$(realpath "$1") hangfs=$(realpath "$2") nofork=$(realpath "$3") case=$4
limit_ms=${5:-500}
budget_ms=$((limit_ms + 1000))

if [[ ${KV_IN_NAMESPACE:-} != 1 ]]; then
  if [[ -r /dev/fuse && -w /dev/fuse ]] && unshare -rm --propagation private true 2> /dev/null; then
    KV_IN_NAMESPACE=1 exec unshare -rm --propagation private "$0" "$@"
  fi
  case $case in
    stack) ;;
    *) echo "SKIP: $case needs a user and mount namespace (unshare -rm) and /dev/fuse"; exit 77 ;;
  esac
fi

if [[ $case == nofork ]]; then
  "$nofork" /bin/true > /dev/null 2>&1 || { echo "SKIP: no process limit can be set here"; exit 77; }
fi

dir=$(mktemp -d)
hangfs_pid=
cleanup() {
  [[ -n $hangfs_pid ]] && kill "$hangfs_pid" 2> /dev/null
  rm -rf "$dir" 2> /dev/null || true
}
trap cleanup EXIT

dead=
if [[ ${KV_IN_NAMESPACE:-} == 1 ]]; then
  dead=$dir/dead
  mkdir "$dead"
  "$hangfs" fuse.sshfs server:/export "$dead" > "$dir/ready" &
  hangfs_pid=$!
  for _ in $(seq 100); do
    [[ -s $dir/ready ]] && break
    kill -0 "$hangfs_pid" 2> /dev/null || { echo "SKIP: cannot mount a FUSE file system here"; exit 77; }
    sleep 0.05
  done
fi

export KAVRENO_QUERY_LIMIT_MS=$limit_ms
run() {  # the command line of the case, in a subshell of its own
  case $case in
    cwd) cd -P "$dead" && exec "$kavreno" --text ;;
    path) PATH="$dead:$dead/bin:$PATH" exec "$kavreno" --text ;;
    stack) ulimit -s 64 && exec "$kavreno" --text ;;
    fds) exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&- && ulimit -n 4 && exec "$kavreno" --text ;;
    nofork) exec "$nofork" "$kavreno" --text ;;
    *) echo "unknown case: $case" >&2; exit 2 ;;
  esac
}

# A kavreno stuck on the dead mount must not hold this test: after 20 s a
# watchdog ends the file system's server, which frees it.
start=$EPOCHREALTIME
{
  set +e
  (run) 2> "$dir/err"
  echo $? > "$dir/status"
} | cat > "$dir/out" &
reader=$!
(sleep 20 && touch "$dir/stuck" && { [[ -z $hangfs_pid ]] || kill "$hangfs_pid"; }) &> /dev/null &
watchdog=$!
wait "$reader" || true
elapsed=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%d", (e - s) * 1000 }')
kill "$watchdog" 2> /dev/null || true
echo "$case: ${elapsed} ms (limit ${limit_ms} ms)"
[[ ! -e $dir/stuck ]] || { echo "FAIL: the output did not reach its end"; exit 1; }

fail() {
  echo "FAIL: $*"
  echo "-- stdout"; cat "$dir/out"; echo "-- stderr"; cat "$dir/err"
  exit 1
}
status=$(< "$dir/status")
[[ $status == 0 ]] || fail "kavreno ended with $status"
((elapsed <= budget_ms)) || fail "took ${elapsed} ms, more than ${budget_ms} ms"

# The whole report: the title, fourteen rows, the drive heading, then blocks
# of six lines, "/" and the mount that never answers among them.
mapfile -t lines < "$dir/out"
[[ ${lines[0]} == Kavreno && ${lines[15]} == ドライブ情報： ]] || fail "not the report's head"
blocks=$(grep -c '^Disk ' "$dir/out" || true)
((${#lines[@]} == 16 + 6 * blocks)) || fail "the report has ${#lines[@]} lines for $blocks drives"
[[ ${lines[-1]} == "  Free Space:  "* ]] || fail "the report does not end with a drive's last line"
grep -qx 'Disk /' "$dir/out" || fail "no block for /"
if [[ -n $dead ]]; then
  printf -v hung 'Disk %s\n  Volume Name: -\n  File System: -\n  Drive Type:  Remote\n' "$dead"
  [[ $(< "$dir/out") == *"$hung"* ]] || fail "the mount that never answers is not reported as such"
fi

case $case in
  fds | nofork)
    [[ $(wc -l < "$dir/err") == 1 ]] || fail "not one line on stderr"
    grep -q '^kavreno: ' "$dir/err" || fail "the stderr line is not kavreno's"
    ;;
  *) [[ ! -s $dir/err ]] || fail "unexpected output on stderr" ;;
esac
echo "PASS"
