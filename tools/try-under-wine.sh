#!/usr/bin/env bash
# Tries kavreno.exe under Wine as a Japanese user sees it: the Japanese locale
# (code page 932 for the program's "A" functions, Japanese glyphs), in a Wine
# prefix of its own (build/windows/wine-trial, kept between tries).
#   tools/try-under-wine.sh                  builds and starts the program
#   tools/try-under-wine.sh --fresh          starts from a new prefix
#   tools/try-under-wine.sh --screenshot F   on a virtual display: waits for
#                                            the window, saves it to F (PNG)
#                                            and ends the program
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=wine-env.sh
source tools/wine-env.sh

fresh=0
screenshot=
while [ $# -gt 0 ]; do
  case "$1" in
    --fresh) fresh=1 ;;
    --screenshot)
      screenshot=$(realpath -m "$2")
      shift
      ;;
    *)
      echo "usage: $0 [--fresh] [--screenshot FILE.png]" >&2
      exit 2
      ;;
  esac
  shift
done

export WINEPREFIX=$root/build/windows/wine-trial
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [ "${KV_TRY_INSIDE:-}" != 1 ]; then
  kv_wine_ensure_locale || echo "try-under-wine: no ja_JP.UTF-8 locale: no Japanese text" >&2
  cmake --preset windows >/dev/null
  cmake --build --preset windows --parallel 2 --target kavreno
  if [ "$fresh" = 1 ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  [ -f "$WINEPREFIX/system.reg" ] || kv_wine_new_prefix "$WINEPREFIX"
fi

program=$root/build/windows/bin/kavreno.exe
if [ -z "$screenshot" ]; then
  exec wine "$program"
fi

# The screenshot: the program on a virtual display of its own.
if [ "${KV_TRY_INSIDE:-}" != 1 ]; then
  KV_TRY_INSIDE=1 exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
    "$0" --screenshot "$screenshot"
fi
log=$root/build/windows/wine-trial.log
wine "$program" >"$log" 2>&1 &
for _ in $(seq 60); do
  sleep 1
  if xwininfo -root -tree 2>/dev/null | grep -q '"Kavreno"'; then
    sleep 2
    import -window root "$screenshot"
    break
  fi
done
wineserver -k >/dev/null 2>&1 || true
if [ ! -f "$screenshot" ]; then
  echo "try-under-wine: no window appeared (see $log)" >&2
  exit 1
fi
echo "saved $screenshot"
