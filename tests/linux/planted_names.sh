#!/usr/bin/env bash
# Names planted where Kavreno finds them: a host name of a UTS namespace, a
# user from a passwd file bound over /etc/passwd, a TMPDIR and two mount
# points holding both. Without --redact they appear in --text, --json and
# --report; with it they appear in none of them (in any case of letters),
# and "<user>" and "<computer>" stand where they were.
#
# Usage: planted_names.sh KAVRENO
# Runs in user, mount and UTS namespaces of its own; exits 77 (skipped)
# where the machine cannot make them.
set -euo pipefail
kavreno=$1
user=kvplanteduser host=kvplantedhost

if [[ ${KV_IN_NAMESPACE:-} != 1 ]]; then
  unshare -rmu --propagation private true 2> /dev/null ||
    { echo "SKIP: cannot make user, mount and UTS namespaces (unshare -rmu)"; exit 77; }
  KV_IN_NAMESPACE=1 exec unshare -rmu --propagation private "$0" "$@"
fi

dir=$(mktemp -d)
cleanup() {
  umount -R "$dir/media/$user/USB" "$dir/$host" 2> /dev/null || true
  rm -rf "$dir" 2> /dev/null || true
}
trap cleanup EXIT

hostname "$host"
printf '%s:x:0:0:Planted:/home/%s:/bin/sh\n' "$user" "$user" > "$dir/passwd"
mount --bind "$dir/passwd" /etc/passwd
mkdir -p "$dir/tmp/$user/$host" "$dir/media/$user/USB" "$dir/$host"
mount -t tmpfs -o size=1m usb "$dir/media/$user/USB"
mount -t tmpfs -o size=1m share "$dir/$host"

fail() { echo "FAIL: $*"; exit 1; }
run() { TMPDIR="$dir/tmp/$user/$host" LANG=C.UTF-8 "$kavreno" "$@" 2> /dev/null; }

for presentation in --text --json --report; do
  plain=$(run "$presentation") || fail "kavreno $presentation ended with $?"
  for name in "$user" "$host"; do
    [[ $plain == *"$name"* ]] || fail "$name is not in kavreno $presentation"
  done
  [[ $plain == *"/media/$user/USB"* ]] || fail "the mount point is not in kavreno $presentation"
  redacted=$(run "$presentation" --redact) || fail "kavreno $presentation --redact ended with $?"
  if grep -qi -e "$user" -e "$host" <<< "$redacted"; then
    grep -ni -e "$user" -e "$host" <<< "$redacted"
    fail "a planted name is in kavreno $presentation --redact"
  fi
  for placeholder in "<user>" "<computer>" "/media/<user>/USB" "/tmp/<user>/<computer>/"; do
    [[ $redacted == *"$placeholder"* ]] || fail "$placeholder is not in kavreno $presentation --redact"
  done
  echo "ok: kavreno $presentation (--redact): the names leave out, the rest stays"
done
echo "PASS"
