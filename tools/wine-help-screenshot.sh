#!/usr/bin/env bash
# A screenshot of the help under Wine, as a Japanese Windows shows it:
# docs/screenshots/wine-help.png, the help engine's window (winhlp32) with
# Kavreno.hlp at its contents topic, opened the way the program opens it.
#   tools/wine-help-screenshot.sh [BUILD_DIR]   BUILD_DIR defaults to build/windows
# Needs the Windows build (Kavreno.hlp and kv_help_window_check.exe in bin/),
# Xvfb, Wine with its own fonts (fonts-wine) and ImageMagick's import.
# Runs in a temporary Wine prefix on a display of its own.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build/windows}")
check=${KV_HELP_CHECK:-$build/bin/kv_help_window_check.exe}
help=$build/bin/Kavreno.hlp
wine=wine
out=$root/docs/screenshots/wine-help.png

for f in "$check" "$help"; do
  [ -f "$f" ] || { echo "wine-help-screenshot: $f is missing; build the windows preset first" >&2; exit 1; }
done
for tool in Xvfb "$wine" wineserver winepath import; do
  command -v "$tool" >/dev/null || { echo "wine-help-screenshot: $tool is not installed" >&2; exit 1; }
done

# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
kv_wine_ensure_locale || { echo "wine-help-screenshot: no ja_JP.UTF-8 locale" >&2; exit 1; }
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/kv-help-shot.XXXXXX")
export WINEPREFIX=$work/prefix
xvfb_pid=""
cleanup() {
  kv_wine_stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=:$n
    break
  fi
done
[ -n "$display" ] || { echo "wine-help-screenshot: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

kv_wine_new_prefix "$WINEPREFIX"
[ -f /usr/share/wine/fonts/marlett.ttf ] &&
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# One virtual desktop, so that Wine draws the title bar as Windows does.
cat >>"$WINEPREFIX/user.reg" <<'REG'

[Software\\Wine\\Explorer] 1700000000
"Desktop"="Default"

[Software\\Wine\\Explorer\\Desktops] 1700000000
"Default"="1024x768"
REG

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
import -window root -crop "${width}x${height}+${left}+${top}" +repage "$out"
echo "wine-help-screenshot: $out (${width}x${height})"
wait "$check_pid" || { cat "$work/check.log" >&2; exit 1; }
