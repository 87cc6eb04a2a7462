#!/usr/bin/env bash
# Renders the installer's welcome page under Wine, in Japanese, into
# docs/screenshots/wine-installer.png.
#   tools/wine-installer-screenshot.sh [INSTALLER.exe]
# The installer is build/windows/Kavreno-1.0.0-win32.exe by default
# (cmake --build --preset windows --target package); where 32-bit Wine
# cannot run, the 64-bit test build's build/windows64/Kavreno-1.0.0-win64-test.exe
# under 64-bit Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
default_installer=$root/build/windows/Kavreno-1.0.0-win32.exe
kv_wine_can_run_32bit || default_installer=$root/build/windows64/Kavreno-1.0.0-win64-test.exe
installer=$(realpath -m "${1:-$default_installer}")
out=$root/docs/screenshots/wine-installer.png
[ -f "$installer" ] || { echo "wine-installer-screenshot: $installer is missing" >&2; exit 1; }
kv_wine_require_tools wine-installer-screenshot xvfb-run wine wineserver python3 xwininfo
if [ "${KV_INSIDE_XVFB:-}" != 1 ]; then
  KV_XVFB_FBDIR=$(mktemp -d "${TMPDIR:-/tmp}/kv-installer-screen.XXXXXX")
  export KV_XVFB_FBDIR
  KV_INSIDE_XVFB=1 exec xvfb-run -a \
    --server-args="-screen 0 1024x768x24 -nolisten tcp -fbdir $KV_XVFB_FBDIR" "$0" "$@"
fi
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
kv_wine_session wine-installer-screenshot
work=$KV_WORK
kv_wine_can_run_32bit || kv_wine_use_64bit "$work/bin"
echo "wine-installer-screenshot: $(basename "$installer") under $(wine --version)"
kv_wine_new_prefix "$WINEPREFIX"
[ -f /usr/share/wine/fonts/marlett.ttf ] &&
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
kv_wine_warm

wine "$installer" >"$work/installer.log" 2>&1 &
geometry=""
for _ in $(seq 300); do
  geometry=$(xwininfo -root -tree 2>/dev/null | grep -m1 '"Kavreno ' | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -1 || true)
  [ -n "$geometry" ] && break
  sleep 0.1
done
[ -n "$geometry" ] || { echo "wine-installer-screenshot: the installer shows no window" >&2; exit 1; }
sleep 2  # the first paint
mkdir -p "$(dirname "$out")"
read -r width height left top < <(tr 'x+' '  ' <<<"$geometry")
kv_wine_grab "$left" "$top" "$width" "$height" "$out"
rm -rf "$KV_XVFB_FBDIR"
echo "wine-installer-screenshot: $out ($geometry)"
