#!/usr/bin/env bash
# Runs a Windows test program in a copy of the run's Wine prefix that has
# three more drive letters (see drive_letters_test.cpp), so that the drive
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
export WINEPREFIX=$prefix
wine reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f /reg:64 >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Drives' /v f: /d network /f /reg:64 >/dev/null 2>&1
# The mount manager reads the letters and their types when the server starts:
# let this one end (it saves the registry as it does), then start the next one
# and ask every volume once, so that the test does not wait for the start-up.
wineserver -w
wineserver -p
wine cmd /c "vol c: & vol d: & vol e: & vol f: & vol z:" >/dev/null 2>&1 || true

KV_DRIVE_LETTERS=1 wine "$@" >"$work/output" 2>&1 && status=0 || status=$?
cat "$work/output"
exit "$status"
