#!/usr/bin/env bash
# Renders the main window and the About dialog of the Qt presentation to PNG,
# at 100 % and 200 % scale, and at 100 % in the Fusion style with a dark palette:
#
#   docs/screenshots/main-100.png  about-100.png  main-200.png  about-200.png
#   docs/screenshots/menu-100.png  menu-200.png  menu-dark-100.png (the context menu)
#   docs/screenshots/main-dark-100.png  about-dark-100.png
#
# Usage: tools/screenshots.sh [OUTPUT_DIR]
#   BUILD_DIR  the build folder to use (default: build/screenshots); it is
#              configured when it has not been yet
#   PLATFORM   offscreen (default) or xvfb (the X11 platform under Xvfb)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/screenshots}
out=${1:-$root/docs/screenshots}
platform=${PLATFORM:-offscreen}

if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKAVRENO_TESTS=OFF -DKAVRENO_BENCH=OFF
fi
cmake --build "$build" --target kavreno_screenshots kavreno-qt -- -j2
mkdir -p "$out"

# shoot SCALE [dark]
shoot() {
  local scale=$1
  local factor=$((scale / 100))
  local suffix=$scale
  [[ ${2:-} == dark ]] && suffix=dark-$scale
  case $platform in
    offscreen)
      QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$factor \
        "$build/bin/kavreno_screenshots" "$out" "$suffix" ${2:-}
      ;;
    xvfb)
      QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$factor \
        xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$build/bin/kavreno_screenshots" "$out" "$suffix" ${2:-}
      ;;
    *)
      echo "PLATFORM must be offscreen or xvfb" >&2
      exit 2
      ;;
  esac
}

for scale in 100 200; do
  shoot "$scale"
done
shoot 100 dark
