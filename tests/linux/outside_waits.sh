#!/usr/bin/env bash
# kavreno --text where something outside the program never answers or never
# ends: each case sets up one such thing in private namespaces, runs the
# program with a query limit of LIMIT_MS, and wants the whole report, status 0
# and the output at its end within the limit plus a second.
#
#   tmpdir      TMPDIR on a file system that never answers
#   keyboard    the keyboard file on such a file system
#   xorg        the X server's configuration directory on such a file system
#   kb-fifo     a FIFO bound over the keyboard file
#   kb-zero     /dev/zero bound over the keyboard file
#   xorg-fifo   a FIFO bound over an xorg.conf.d entry
#   meminfo     a FIFO bound over /proc/meminfo
#   utab        a FIFO bound over mount(8)'s utab
#   passwd      a FIFO bound over /etc/passwd (the user lookup never answers)
#   hostname    a host name of 60 bytes (a UTS namespace), shown whole
#
# Usage: outside_waits.sh KAVRENO KV_HANGFS [LIMIT_MS [CASE...]]
# Exits 77 (skipped) where the machine cannot make a user, mount and UTS
# namespace or has no usable /dev/fuse.
set -uo pipefail
kavreno=$1 hangfs=$2 limit_ms=${3:-500}
shift $(($# < 3 ? $# : 3))
budget_ms=$((limit_ms + 1000))
all_cases=(tmpdir keyboard xorg kb-fifo kb-zero xorg-fifo meminfo utab passwd hostname)
cases=("$@")
((${#cases[@]})) || cases=("${all_cases[@]}")

if [[ ${KV_IN_NAMESPACE:-} != 1 ]]; then
  [[ -r /dev/fuse && -w /dev/fuse ]] || { echo "SKIP: no usable /dev/fuse"; exit 77; }
  unshare -rmu --propagation private true 2> /dev/null ||
    { echo "SKIP: cannot make a user, mount and UTS namespace (unshare -rmu)"; exit 77; }
  KV_IN_NAMESPACE=1 exec unshare -rmu --propagation private "$0" "$kavreno" "$hangfs" \
    "$limit_ms" "${cases[@]}"
fi

# One case, in a mount and UTS namespace of its own: sets the case up, runs
# the program, checks. Prints one line with the time it took.
if [[ ${KV_CASE:-} ]]; then
  work=$(mktemp -d)
  hangfs_pid=
  trap '[[ -n $hangfs_pid ]] && kill $hangfs_pid 2> /dev/null; rm -rf "$work" 2> /dev/null' EXIT
  skip() { echo "SKIP $KV_CASE: $*"; exit 77; }
  hang_at() {  # DIR: a file system that never answers, mounted at DIR
    [[ -d $1 ]] || skip "no $1 here"
    "$hangfs" fuse.sshfs server:/export "$1" > "$work/ready" &
    hangfs_pid=$!
    for _ in $(seq 100); do
      [[ -s $work/ready ]] && return
      kill -0 "$hangfs_pid" 2> /dev/null || skip "cannot mount a FUSE file system here"
      sleep 0.05
    done
    skip "the FUSE file system did not start"
  }
  bind_over() {  # WHAT FILE: WHAT bound over FILE
    [[ -e $2 ]] || skip "no $2 here"
    mount --bind "$1" "$2" || skip "cannot bind over $2"
  }
  fifo() { mkfifo "$work/fifo" && echo "$work/fifo"; }
  tmpfs_with() {  # DIR FILE: a tmpfs at DIR holding FILE (a FIFO)
    [[ -d $1 ]] || skip "no $1 here"
    mount -t tmpfs -o size=64k kv "$1" || skip "cannot mount a tmpfs at $1"
    touch "$1/$2"
    bind_over "$(fifo)" "$1/$2"
  }
  want=()  # lines the report must hold
  tmp=()   # TMPDIR for the run
  case $KV_CASE in
    tmpdir) mkdir "$work/hung" && hang_at "$work/hung" && tmp=("TMPDIR=$work/hung")
      want+=("Temporaryディレクトリ：") ;;
    keyboard) hang_at /etc/default ;;
    xorg) hang_at /etc/X11/xorg.conf.d ;;
    kb-fifo) tmpfs_with /etc/default keyboard ;;
    kb-zero) [[ -d /etc/default ]] || skip "no /etc/default here"
      mount -t tmpfs -o size=64k kv /etc/default && touch /etc/default/keyboard &&
        bind_over /dev/zero /etc/default/keyboard ;;
    xorg-fifo) tmpfs_with /etc/X11/xorg.conf.d 10-keyboard.conf ;;
    meminfo) bind_over "$(fifo)" /proc/meminfo
      want+=("物理メモリの全容量：0 KB" "空きメモリ：0 KB") ;;
    utab) tmpfs_with /run/mount utab ;;
    passwd) bind_over "$(fifo)" /etc/passwd
      want+=("ユーザ名：") ;;
    hostname) name=h$(printf '%059d' 0 | tr 0 x)
      echo "$name" > /proc/sys/kernel/hostname 2> /dev/null || skip "cannot set the host name"
      want+=("コンピュータ名：$name") ;;
    *) echo "FAIL: no case $KV_CASE"; exit 1 ;;
  esac

  start=$EPOCHREALTIME
  env "${tmp[@]}" KAVRENO_QUERY_LIMIT_MS="$limit_ms" timeout -s KILL 10 "$kavreno" --text \
    2> "$work/err" | timeout 20 cat > "$work/out"
  codes=("${PIPESTATUS[@]}")
  elapsed=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%d", (e - s) * 1000 }')
  fail() {
    echo "FAIL $KV_CASE: $* (${elapsed} ms)"
    cat "$work/out" "$work/err"
    exit 1
  }
  [[ ${codes[1]} != 124 ]] || fail "the output did not reach its end"
  [[ ${codes[0]} != 137 ]] || fail "kavreno hung: killed after 10 s"
  [[ ${codes[0]} == 0 ]] || fail "kavreno ended with ${codes[0]}"
  ((elapsed < budget_ms)) || fail "took ${elapsed} ms, more than ${budget_ms} ms"
  # The whole report: every title, and the root file system's block at the end.
  out=$(< "$work/out")
  lines=$'\n'$(sed 's/：.*/：/' <<< "$out")$'\n'$out$'\n'
  has() { [[ $lines == *$'\n'"$1"$'\n'* ]]; }
  for title in コンピュータ名： ユーザ名： OS： OSのバージョン： プロセッサの数： \
    プロセッサのタイプ： 物理メモリの全容量： 使用中のメモリ： 空きメモリ： \
    Windowsディレクトリ：/ Systemディレクトリ：/usr/lib/ Temporaryディレクトリ： \
    キーボードタイプ： Functionキーの数： ドライブ情報： "Disk /"; do
    has "$title" || fail "no line \"$title\""
  done
  for line in "${want[@]}"; do has "$line" || fail "no line \"$line\""; done
  echo "PASS $KV_CASE: ${elapsed} ms (limit ${limit_ms} ms)"
  exit 0
fi

status=0 skipped=0
for c in "${cases[@]}"; do
  KV_CASE=$c unshare -mu --propagation private "$0" "$kavreno" "$hangfs" "$limit_ms"
  case $? in
    0) ;;
    77) skipped=$((skipped + 1)) ;;
    *) status=1 ;;
  esac
done
((status == 0 && skipped == ${#cases[@]})) && exit 77
exit $status
