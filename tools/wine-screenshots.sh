#!/usr/bin/env bash
# Screenshots of the Windows program under Wine, as a Japanese Windows shows
# it: docs/screenshots/wine-main.png (the main window),
# docs/screenshots/wine-help-html.png (the help opened through the menu: HTML
# Help, Wine being Windows 7) and docs/screenshots/wine-about.png (the About
# dialog, opened through the menu).
#   tools/wine-screenshots.sh [BUILD_DIR]     BUILD_DIR defaults to build/windows,
# or build/windows64 under 64-bit Wine where 32-bit Wine cannot run.
# Needs the Windows build (kavreno.exe and kv_e2e_driver.exe), Xvfb, Wine
# with its own fonts (fonts-wine) and Python 3. Runs in a
# temporary Wine prefix on a display of its own and leaves nothing behind.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
default_build=$root/build/windows
kv_wine_can_run_32bit || default_build=$root/build/windows64
build=$(realpath -m "${1:-$default_build}")
program=$build/bin/kavreno.exe
driver=$build/bin/kv_e2e_driver.exe
out=$root/docs/screenshots

for f in "$program" "$driver"; do
  [ -f "$f" ] || { echo "wine-screenshots: $f is missing; build the windows preset first" >&2; exit 1; }
done
kv_wine_require_tools wine-screenshots Xvfb wine wineserver winepath python3
[ -f /usr/share/wine/fonts/marlett.ttf ] ||
  echo "wine-screenshots: fonts-wine is missing; the title-bar buttons show letters" >&2
kv_wine_session wine-screenshots
work=$KV_WORK
kv_wine_can_run_32bit || kv_wine_use_64bit "$work/bin"
echo "wine-screenshots: $program under $(wine --version) ($(basename "$build"))"
kv_wine_own_display "$work/xvfb.log" || { echo "wine-screenshots: no free X display" >&2; exit 1; }
kv_wine_screenshot_prefix "$WINEPREFIX"
wineserver -p 60
wine cmd /c exit >/dev/null 2>&1

# Crops the screen to the window whose place the driver wrote into $1.
shoot() {
  local place left top width height
  place=$(tr -d '\r' <"$1")
  read -r left top width height <<<"$place"
  kv_wine_grab "$left" "$top" "$width" "$height" "$2"
  echo "wine-screenshots: $2 (${width}x${height})"
}

mkdir -p "$out"
wine "$program" >"$work/kavreno.log" 2>&1 &
program_pid=$!
wine "$driver" main "$(winepath -w "$work/main.txt")" >"$work/driver.log" 2>&1
shoot "$work/main.txt" "$out/wine-main.png"
wine "$driver" help "$(winepath -w "$work/help.txt")" >>"$work/driver.log" 2>&1
shoot "$work/help.txt" "$out/wine-help-html.png"
wine "$driver" about "$(winepath -w "$work/about.txt")" >>"$work/driver.log" 2>&1
shoot "$work/about.txt" "$out/wine-about.png"
wine "$driver" close >>"$work/driver.log" 2>&1
for _ in $(seq 300); do
  kill -0 "$program_pid" 2>/dev/null || exit 0
  sleep 0.1
done
echo "wine-screenshots: the program did not end after its close box" >&2
exit 1
