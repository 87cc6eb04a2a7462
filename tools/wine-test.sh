#!/usr/bin/env bash
# The Windows part of the tests: builds the program and its tests (preset
# "windows", 32-bit MinGW-w64) and runs them with CTest under Wine, in a Wine
# prefix of their own under a temporary folder, on a virtual display. The
# user's own Wine prefix is never touched.
#   tools/wine-test.sh [CTEST ARGUMENTS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=wine-env.sh
source tools/wine-env.sh

if [ "${KV_WINE_TEST_INSIDE:-}" != 1 ]; then
  if ! kv_wine_ensure_locale; then
    echo "wine-test: the Japanese locale (ja_JP.UTF-8) is missing; run tools/setup.sh all" >&2
    exit 1
  fi
  echo "== Windows build (preset windows)"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --parallel 2
  echo "== Windows packages (installer and zip)"
  cmake --build --preset windows --target package >/dev/null
  # The shipped program as a file (no Wine needed): its headers, manifest
  # and imports against the system libraries of 32-bit Wine.
  echo "== The 32-bit program's image"
  # (From the tests' own folder: the other entries of the preset list their
  # cases by starting the programs, which needs 32-bit Wine.)
  ctest --test-dir build/windows/tests/win32 -L pe_image --output-on-failure
  # The tests run the 32-bit program where 32-bit Wine runs; on a kernel
  # without IA-32 emulation they run the same sources built as 64-bit.
  export KV_WINDOWS_PRESET=windows
  if ! kv_wine_can_run_32bit; then
    echo "wine-test: this machine cannot start 32-bit programs (its kernel has no IA-32" \
      "emulation), so 32-bit Wine cannot run; the tests run the same sources built as" \
      "64-bit (preset windows64) under 64-bit Wine" >&2
    KV_WINDOWS_PRESET=windows64
    cmake --preset windows64 >/dev/null
    cmake --build --preset windows64 --parallel 2
    cmake --build --preset windows64 --target package >/dev/null
  fi
  export KV_WINE_TEST_INSIDE=1
  # One virtual display for the whole run: the Wine desktop of the prefix
  # and every window of the tests live on it.
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -nolisten tcp" \
      "$0" "$@"
  fi
  echo "wine-test: xvfb-run is missing; using DISPLAY=${DISPLAY:-(none)}" >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kavreno-wine.XXXXXX")
export WINEPREFIX=$work/prefix
[ "${KV_WINDOWS_PRESET:-windows}" = windows64 ] && kv_wine_use_64bit "$work/bin"
cleanup() {
  kv_wine_stop
  rm -rf "$work"
}
trap cleanup EXIT

echo "== Wine prefix"
start=$SECONDS
kv_wine_new_prefix "$WINEPREFIX"
touch "$WINEPREFIX/kavreno-test-prefix"  # the tests run in no other prefix
kv_wine_warm
echo "prefix ready in $((SECONDS - start)) s"

echo "== Windows tests under Wine"
ctest --preset "${KV_WINDOWS_PRESET:-windows}" --parallel 2 "$@"
