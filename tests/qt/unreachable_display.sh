#!/usr/bin/env bash
# kavreno where a window is asked for and none can open: an X server that
# takes the connection and never answers (named by DISPLAY, by -display, and
# with QT_QPA_PLATFORM=xcb), an authority file that is a FIFO, and the
# platforms that need a framebuffer or a DRM device the machine lacks; with
# KV_HANGFS, also an authority file on a file system that never answers.
# Each case must end within the query limit and a second, with the whole
# text report, status 0 and exactly one line on stderr.
#
# Usage: unreachable_display.sh KAVRENO [KV_HANGFS]
# Runs in a user and network namespace of its own, so that the silent
# server's abstract socket is its own (and a mount namespace where it can be
# made); exits 77 (skipped) where the machine cannot make one.
set -euo pipefail
kavreno=$1 hangfs=${2:-}
budget_ms=3000  # the program's own query limit, 2 s, and a second more

if [[ ${KV_IN_NAMESPACE:-} != 1 ]]; then
  if unshare -rmn --propagation private true 2> /dev/null; then
    KV_IN_NAMESPACE=1 KV_MOUNTS=1 exec unshare -rmn --propagation private "$0" "$@"
  fi
  unshare -rn true 2> /dev/null ||
    { echo "SKIP: cannot make a user and network namespace (unshare -rn)"; exit 77; }
  KV_IN_NAMESPACE=1 exec unshare -rn "$0" "$@"
fi

dir=$(mktemp -d)
server_pid= hangfs_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2> /dev/null
  [[ -n $hangfs_pid ]] && kill "$hangfs_pid" 2> /dev/null
  rm -rf "$dir" 2> /dev/null || true
}
trap cleanup EXIT

# Display :7 of this namespace: an X server that accepts and never answers.
python3 - "$dir/ready" << 'EOF' &
import socket, sys
server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
server.bind("\0/tmp/.X11-unix/X7")
server.listen(64)
open(sys.argv[1], "w").close()
held = []
while True:
    held.append(server.accept()[0])
EOF
server_pid=$!
for _ in $(seq 100); do
  [[ -e $dir/ready ]] && break
  kill -0 "$server_pid" 2> /dev/null || { echo "FAIL: the silent X server did not start"; exit 1; }
  sleep 0.05
done
mkfifo "$dir/fifo"

# Nothing of the caller's session may choose another display.
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET XDG_SESSION_TYPE QT_QPA_PLATFORM
unset QT_QPA_PLATFORM_PLUGIN_PATH QT_QPA_EGLFS_INTEGRATION QT_QPA_FB_DRM KAVRENO_QUERY_LIMIT_MS
export XAUTHORITY=$dir/no-authority

# A machine with a framebuffer or a DRM device is given one that is not there.
linuxfb=linuxfb eglfs_config=
[[ -e /dev/fb0 || -e /dev/graphics/fb0 ]] && linuxfb=linuxfb:fb=$dir/fb0
if compgen -G '/dev/dri/card*' > /dev/null; then
  printf '{ "device": "%s/card0" }\n' "$dir" > "$dir/kms.json"
  eglfs_config=QT_QPA_EGLFS_KMS_CONFIG=$dir/kms.json
fi

# Numbers change from run to run (free memory, free space); the rest may not.
shape() { tr -d '0-9,.' < "$1"; }
"$kavreno" --text > "$dir/expected" 2> "$dir/expected.err"
[[ -s $dir/expected && ! -s $dir/expected.err ]] || { echo "FAIL: kavreno --text"; exit 1; }

failures=0
run() {  # NAME ENVIRONMENT... -- ARGUMENTS...
  local name=$1 vars=() args=()
  shift
  while [[ $1 != -- ]]; do vars+=("$1"); shift; done
  shift
  args=("$@")
  local start=$EPOCHREALTIME code=0
  env ${vars[@]+"${vars[@]}"} timeout 20 "$kavreno" ${args[@]+"${args[@]}"} \
    > "$dir/out" 2> "$dir/err" || code=$?
  local elapsed
  elapsed=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%d", (e - s) * 1000 }')
  local lines
  lines=$(wc -l < "$dir/err")
  echo "$name: ${elapsed} ms, status $code: $(head -c 300 "$dir/err")"
  local why=
  if ((code == 124)); then why="did not end"
  elif ((code != 0)); then why="status $code"
  elif ((elapsed >= budget_ms)); then why="took more than $budget_ms ms"
  elif ((lines != 1)); then why="$lines lines on stderr"
  elif [[ $(shape "$dir/out") != "$(shape "$dir/expected")" ]]; then why="not the whole text report"
  fi
  if [[ -n $why ]]; then
    echo "FAIL: $name: $why"
    failures=$((failures + 1))
  fi
}

run "DISPLAY, a silent X server" DISPLAY=:7 --
run "-display, a silent X server" -- -display :7
run "QT_QPA_PLATFORM=xcb, a silent X server" QT_QPA_PLATFORM=xcb DISPLAY=:7 --
run "XAUTHORITY a FIFO" DISPLAY=:7 "XAUTHORITY=$dir/fifo" --
run "QT_QPA_PLATFORM=linuxfb, no framebuffer" "QT_QPA_PLATFORM=$linuxfb" --
run "QT_QPA_PLATFORM=eglfs, no DRM device" QT_QPA_PLATFORM=eglfs $eglfs_config --

# A home on a file system that never answers. It is mounted in a mount
# namespace of its own and reached through its server's /proc/PID/root, so
# that the drive report does not meet it too (it would wait its own limit).
dead=
if [[ -z $hangfs ]]; then
  echo "SKIP (dead mount cases): no kv_hangfs given"
elif [[ ${KV_MOUNTS:-} != 1 ]]; then
  echo "SKIP (dead mount cases): cannot make a mount namespace"
elif [[ ! -r /dev/fuse || ! -w /dev/fuse ]]; then
  echo "SKIP (dead mount cases): no usable /dev/fuse"
else
  mkdir "$dir/home"
  unshare -m --propagation private "$hangfs" fuse.sshfs server:/home "$dir/home" \
    > "$dir/hangfs-ready" 2> /dev/null &
  hangfs_pid=$!
  for _ in $(seq 100); do
    [[ -s $dir/hangfs-ready ]] && break
    kill -0 "$hangfs_pid" 2> /dev/null || break
    sleep 0.05
  done
  if [[ -s $dir/hangfs-ready ]]; then dead=/proc/$hangfs_pid/root$dir/home
  else echo "SKIP (dead mount cases): cannot mount a FUSE file system here"; fi
fi
if [[ -n $dead ]]; then
  run "XAUTHORITY on a dead mount" DISPLAY=:7 "XAUTHORITY=$dead/.Xauthority" --
  run "HOME on a dead mount" -u XAUTHORITY DISPLAY=:7 "HOME=$dead" --
fi

((failures == 0)) || exit 1
echo "PASS"
