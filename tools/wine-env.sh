#!/usr/bin/env bash
# The Wine environment of Kavreno's Windows tests and trials. Source it for
# its functions, or run it:
#   tools/wine-env.sh check    fails unless WINEPREFIX names a prefix of the
#                              test run's own (never a user's prefix)
#   tools/wine-env.sh locale   makes the Japanese locale (ja_JP.UTF-8) exist
#
# Wine shows Japanese text, and uses code page 932 for the "A" functions,
# only when the process runs under the Japanese locale; under LANG=C the
# code page is 1252.

# Quiet Wine, no questions about Mono or Gecko when a prefix is made.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}

kv_wine_have_japanese_locale() {
  locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'
}

# Generates ja_JP.UTF-8 when it is missing (needs root or sudo).
kv_wine_ensure_locale() {
  kv_wine_have_japanese_locale && return 0
  local run=()
  [ "$(id -u)" -eq 0 ] || run=(sudo)
  "${run[@]}" sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | "${run[@]}" tee -a /etc/locale.gen >/dev/null
  "${run[@]}" locale-gen >/dev/null
  kv_wine_have_japanese_locale
}

# True when this machine can start 32-bit Wine. Some kernels are built
# without IA-32 emulation: there every 32-bit program fails with "Exec
# format error", and only 64-bit Wine runs.
kv_wine_can_run_32bit() {
  local loader
  for loader in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine; do
    [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1 && return 0
  done
  return 1
}

# Makes "wine" and the tools that call it (wineboot, reg, ...) run 64-bit
# Wine, through small forwarding scripts in the folder $1.
kv_wine_use_64bit() {
  local dir=$1 name
  mkdir -p "$dir"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$dir/$name"
    chmod +x "$dir/$name"
  done
  export PATH="$dir:$PATH" WINELOADER=/usr/lib/wine/wine64
}

# Fails unless WINEPREFIX names a prefix that tools/wine-test.sh made for its
# run (it marks them), never a user's own.
kv_wine_require_prefix() {
  if [ -z "${WINEPREFIX:-}" ]; then
    echo "WINEPREFIX is not set: run the Windows tests through tools/wine-test.sh" >&2
    return 1
  fi
  if [ "$(realpath -m "$WINEPREFIX")" = "$(realpath -m "${HOME:-/nonexistent}/.wine")" ]; then
    echo "WINEPREFIX is the user's own prefix; the tests use a temporary one" >&2
    return 1
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/kavreno-test-prefix" ]; then
    echo "WINEPREFIX=$WINEPREFIX is not a prefix made by tools/wine-test.sh" >&2
    return 1
  fi
}

# Makes a new prefix at $1 (its parent must exist) and waits until Wine has
# finished setting it up. A program that crashes there simply ends: no
# debugger is started for it (it would wait for a user).
kv_wine_new_prefix() {
  WINEPREFIX=$1 wineboot --init >/dev/null 2>&1
  local view
  for view in 32 64; do
    WINEPREFIX=$1 wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /f /reg:$view >/dev/null 2>&1 || true
  done
  WINEPREFIX=$1 wineserver -w
}

# Copies the prefix $1 to $2; the copy has a server of its own when used.
kv_wine_clone_prefix() {
  cp -a "$1" "$2"
  rm -f "$2/.update-timestamp.lock"
}

# Starts the prefix's server for good and the processes every Wine program
# needs, so that each test does not pay for them. The first program sets the
# prefix's windows unmanaged: with no window manager on the display, Wine
# would otherwise wait for one at every window it hides. The desktop process
# keeps the output it was started with open as long as it runs: it gets a file.
kv_wine_warm() {
  wineserver -p
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  (wine explorer.exe /desktop >"$WINEPREFIX/../desktop.log" 2>&1 &)
}

# Starts a virtual display of its own (Xvfb, 1024x768) for a screenshot run,
# logging to $1, and exports DISPLAY; its process id is left in
# KV_XVFB_PID for the caller to end.
kv_wine_own_display() {
  local n display=""
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      display=:$n
      break
    fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
  KV_XVFB_FBDIR=$(dirname "$1")  # the screen, kept in a file for kv_wine_grab
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -fbdir "$KV_XVFB_FBDIR" >"$1" 2>&1 &
  KV_XVFB_PID=$!
  export DISPLAY=$display
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
  done
}

# Makes the prefix $1 for screenshots: Wine's Marlett font, whose glyphs are
# the title-bar buttons (this Wine does not find it where its package puts
# it), and one virtual desktop, on which Wine draws title bars and borders
# itself, as Windows does. Written while no Wine process runs, so that the
# first one makes that desktop.
kv_wine_screenshot_prefix() {
  kv_wine_new_prefix "$1"
  [ -f /usr/share/wine/fonts/marlett.ttf ] &&
    cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/"
  cat >>"$1/user.reg" <<'REG'

[Software\\Wine\\Explorer] 1700000000
"Desktop"="Default"

[Software\\Wine\\Explorer\\Desktops] 1700000000
"Default"="1024x768"
REG
}

# kv_wine_grab LEFT TOP WIDTH HEIGHT OUT.png: that part of the screen, with
# ImageMagick's import where it is installed, otherwise from the screen that
# Xvfb keeps in a file in KV_XVFB_FBDIR (Xvfb -fbdir).
kv_wine_grab() {
  if command -v import >/dev/null; then
    import -window root -crop "${3}x${4}+${1}+${2}" +repage "$5"
  else
    # Xvfb draws the pointer into its screen: out of the way first.
    if command -v xdotool >/dev/null; then xdotool mousemove 4000 4000 2>/dev/null || true; sleep 0.3; fi
    python3 "$(dirname "${BASH_SOURCE[0]}")/xwd_to_png.py" "$KV_XVFB_FBDIR/Xvfb_screen0" "$@"
  fi
}

# Fails, naming the script $1, unless every tool named after it is installed.
kv_wine_require_tools() {
  local name=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$name: $tool is not installed" >&2; return 1; }
  done
}

# Starts a run of its own for the script $1, in the Japanese locale: a work
# folder KV_WORK and a prefix WINEPREFIX inside it (not made yet). When the
# script ends, the prefix's Wine processes, the run's own display (if
# kv_wine_own_display made one) and the folder go with it.
kv_wine_session() {
  kv_wine_ensure_locale || { echo "$1: no ja_JP.UTF-8 locale" >&2; return 1; }
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  KV_WORK=$(mktemp -d "${TMPDIR:-/tmp}/kv-$1.XXXXXX")
  export WINEPREFIX=$KV_WORK/prefix
  KV_XVFB_PID=""
  trap kv_wine_end_session EXIT
}

kv_wine_end_session() {
  kv_wine_stop
  if [ -n "${KV_XVFB_PID:-}" ]; then kill "$KV_XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$KV_WORK"
}

# Ends the prefix's server and every Wine process of it.
kv_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    check) kv_wine_require_prefix ;;
    locale) kv_wine_ensure_locale ;;
    *)
      echo "usage: $0 check|locale" >&2
      exit 2
      ;;
  esac
fi
