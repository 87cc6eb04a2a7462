#!/usr/bin/env bash
# A screenshot of the help under Wine, as a Japanese Windows shows it:
# docs/screenshots/wine-help.png, the help engine's window (winhlp32) with
# Kavreno.hlp at its contents topic, opened the way the program opens it.
#   tools/wine-help-screenshot.sh [BUILD_DIR]   BUILD_DIR defaults to build/windows,
# or build/windows64 under 64-bit Wine where 32-bit Wine cannot run.
# Needs the Windows build (Kavreno.hlp and kv_help_window_check.exe in bin/),
# Xvfb, Wine with its own fonts (fonts-wine) and Python 3.
# Runs in a temporary Wine prefix on a display of its own.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
default_build=$root/build/windows
kv_wine_can_run_32bit || default_build=$root/build/windows64
build=$(realpath -m "${1:-$default_build}")
check=${KV_HELP_CHECK:-$build/bin/kv_help_window_check.exe}
help=$build/bin/Kavreno.hlp
wine=wine
out=$root/docs/screenshots/wine-help.png

for f in "$check" "$help"; do
  [ -f "$f" ] || { echo "wine-help-screenshot: $f is missing; build the windows preset first" >&2; exit 1; }
done
kv_wine_require_tools wine-help-screenshot Xvfb "$wine" wineserver winepath python3
kv_wine_session wine-help-screenshot
work=$KV_WORK
kv_wine_can_run_32bit || kv_wine_use_64bit "$work/bin"
echo "wine-help-screenshot: $check under $(wine --version) ($(basename "$build"))"
kv_wine_own_display "$work/xvfb.log" || { echo "wine-help-screenshot: no free X display" >&2; exit 1; }
kv_wine_screenshot_prefix "$WINEPREFIX"

mkdir -p "$(dirname "$out")"
cp "$help" "$work/Kavreno.hlp"
"$wine" "$check" --keep-open 20 "$(winepath -w "$work/Kavreno.hlp")" >"$work/check.log" 2>&1 &
check_pid=$!
for _ in $(seq 1200); do
  grep -q '^place:' "$work/check.log" 2>/dev/null && break
  kill -0 "$check_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^place:' "$work/check.log"; then
  cat "$work/check.log" >&2
  echo "wine-help-screenshot: the help window did not open" >&2
  exit 1
fi
sleep 2  # the first paint
read -r _ left top width height < <(tr -d '\r' <"$work/check.log" | grep '^place:')
kv_wine_grab "$left" "$top" "$width" "$height" "$out"
echo "wine-help-screenshot: $out (${width}x${height})"
wait "$check_pid" || { cat "$work/check.log" >&2; exit 1; }
