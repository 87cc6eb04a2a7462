#!/usr/bin/env bash
# The Windows installer under Wine: a silent install puts the files, the
# Start-menu shortcut and the uninstall entry in place; the installed program
# opens its window and its help; a silent uninstall leaves nothing behind.
#   package-test.sh INSTALLER.exe E2E-TESTS.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine-env.sh
source "$here/../../tools/wine-env.sh"
kv_wine_require_prefix
installer=$1 tests=$2
[ -f "$installer" ] || { echo "package-test: $installer is missing (build the target package)" >&2; exit 1; }
# Wine would otherwise copy the shortcut to the Linux user's menus.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

# A 32-bit installer goes to the 32-bit Program Files and registry view.
view=32 folder='C:\Program Files'
if [[ $installer == *win64* ]]; then
  view=64
elif [ -d "$WINEPREFIX/drive_c/Program Files (x86)" ]; then
  folder='C:\Program Files (x86)'
fi
dir="$folder\\Kavreno"
unix_dir=$(winepath -u "$dir" 2>/dev/null)
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kavreno.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavreno'
status=0
fail() {
  echo "package-test: $*" >&2
  status=1
}
value() { wine reg query "$key" /v "$1" "/reg:$view" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"; }

echo "== silent install"
wine "$installer" /S
for f in kavreno.exe Kavreno.hlp Kavreno.chm LICENSE.txt README.txt Uninstall.exe; do
  [ -f "$unix_dir/$f" ] || fail "$dir\\$f is missing"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut Kavreno"
[ "$(value DisplayName)" = Kavreno ] || fail "DisplayName is '$(value DisplayName)'"
[ "$(value DisplayVersion)" = 1.0.0 ] || fail "DisplayVersion is '$(value DisplayVersion)'"
[ -n "$(value Publisher)" ] || fail "no Publisher"
[ "$(value DisplayIcon)" = "$dir\\kavreno.exe,0" ] || fail "DisplayIcon is '$(value DisplayIcon)'"

echo "== the installed program: its window and its help"
KV_KAVRENO="$dir\\kavreno.exe" wine "$tests" --gtest_filter='KavrenoProgram.*' ||
  fail "the installed program fails its end-to-end test"
KV_KAVRENO="$dir\\kavreno.exe" wine "$tests" --gtest_filter='KavrenoHelp.*' ||
  fail "the installed program's help does not open"

echo "== silent uninstall"
# The uninstaller runs from a copy of itself and returns at once: wait for it.
wine "$unix_dir/Uninstall.exe" /S
for _ in $(seq 300); do
  [ ! -e "$unix_dir" ] && ! wine reg query "$key" "/reg:$view" >/dev/null 2>&1 && break
  sleep 0.1
done
[ ! -e "$unix_dir" ] || fail "$dir is left: $(ls -A "$unix_dir" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
! wine reg query "$key" "/reg:$view" >/dev/null 2>&1 || fail "the uninstall entry is left"
[ "$status" = 0 ] && echo "package-test: passed"
exit "$status"
