#!/usr/bin/env bash
# Runs a Windows test program in a copy of the run's Wine prefix that has
# three more drive letters (see the DriveLetters test), so that the drive
# list no longer fits the first buffer of ten characters:
#   D: a folder, E: a folder typed as a CD drive, F: one typed as a network drive.
# Usage: with-drive-letters.sh PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine-env.sh
source "$here/../../tools/wine-env.sh"
kv_wine_require_prefix

work=$(mktemp -d)
prefix=$work/prefix
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

kv_wine_clone_prefix "$WINEPREFIX" "$prefix"
for letter in d e f; do
  mkdir -p "$work/$letter"
  ln -s "$work/$letter" "$prefix/dosdevices/$letter:"
done
# The mount manager reads the letters and their types when it starts: the
# types go into the copy's registry file before any Wine process runs there.
# Then every volume is asked once, so that the test does not wait for the
# start-up.
printf '\n[Software\\\\Wine\\\\Drives] 1700000000\n"e:"="cdrom"\n"f:"="network"\n' \
  >>"$prefix/system.reg"
export WINEPREFIX=$prefix
wineserver -p
wine cmd /c "vol c: & vol d: & vol e: & vol f: & vol z:" >/dev/null 2>&1 || true

KV_DRIVE_LETTERS=1 wine "$@" >"$work/output" 2>&1 && status=0 || status=$?
cat "$work/output"
exit "$status"
