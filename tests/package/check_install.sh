#!/usr/bin/env bash
# Installs the built tree the way a user does and opens the window from there,
# in a temporary folder: nothing is installed on this machine.
#
#   check_install.sh prefix BUILD_DIR LIBDIR   cmake --install into a temporary prefix
#   check_install.sh deb    BUILD_DIR LIBDIR   cpack -G DEB, lintian, the contents
#                                              list, then dpkg-deb -x and the window
#   check_install.sh build  BUILD_DIR LIBDIR   the window from the build tree itself
#
# LIBDIR is the configured library folder relative to the prefix. The window
# counts as opened when the program is still running with that tree's Qt
# module mapped, an X window titled Kavreno is on the screen, and the File
# menu's help item opens that tree's help file in a window of its own.
set -euo pipefail

mode=$1 build=$2 libdir=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Polls a condition for up to SECONDS seconds.
await_for() {
  local i seconds=$1
  shift
  for ((i = 0; i < seconds * 5; i++)); do "$@" && return 0; sleep 0.2; done
  return 1
}
# Polls a condition for up to 30 seconds (the machine may be busy).
await() { await_for 30 "$@"; }
has_window() { xwininfo -root -tree -display "$display" 2>/dev/null | grep -qF "\"$1\""; }
alive() { kill -0 "$1" 2>/dev/null; }
# True while the program's process $1 shows more than its main window.
menu_shows() { [ "$(DISPLAY=$display xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l)" -ge 2 ]; }

# open_window PROGRAM MODULE HELP_FILE: the files the program must use.
open_window() {
  local exe=$1 module=$2 help=$3
  [ -x "$exe" ] || fail "no program at $exe"
  [ -f "$module" ] || fail "no Qt module at $module"

  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  pids+=($!)
  await test -s "$work/display" || fail "Xvfb did not start"
  display=:$(cat "$work/display")

  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" \
    "$exe" >"$work/stdout" 2>"$work/stderr" &
  local pid=$!
  pids+=("$pid")
  if ! await has_window Kavreno; then
    fail "no window titled Kavreno from $exe; stderr: $(cat "$work/stderr")"
  fi
  alive "$pid" || fail "$exe ended: $(cat "$work/stderr")"
  grep -qF "$(realpath "$module")" "/proc/$pid/maps" || fail "$module is not loaded"
  [ ! -s "$work/stdout" ] || fail "text on stdout: $(head -3 "$work/stdout")"

  # File > Help: the help window is titled with the help file's own title.
  local title
  title=$(grep -o '<title>[^<]*</title>' "$help" | sed 's/<[^>]*>//g' | head -1)
  local win
  win=$(DISPLAY=$display xdotool search --onlyvisible --name "^Kavreno$" | head -1) ||
    fail "xdotool does not see the window"
  # The item's key is typed once the File menu shows (a second window of the
  # program): typed earlier, on a busy machine, it would reach the main window.
  local menu=""
  for _ in 1 2 3; do
    DISPLAY=$display xdotool windowfocus --sync "$win" key alt+f ||
      fail "xdotool cannot type into the window"
    if await_for 10 menu_shows "$pid"; then
      menu=1
      break
    fi
  done
  [ -n "$menu" ] || fail "Alt+F opens no File menu"
  DISPLAY=$display xdotool key h || fail "xdotool cannot choose File > Help"
  await has_window "${title:-Kavreno.hlp}" || fail "the help window did not open"
  kill "${pids[@]}" 2>/dev/null || true
  pids=()
}

case $mode in
  prefix)
    cmake --install "$build" --prefix "$work/root" >/dev/null
    open_window "$work/root/bin/kavreno" "$work/root/$libdir/kavreno/libkavreno-qt.so" \
      "$work/root/share/kavreno/Kavreno.hlp"
    ;;
  deb)
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
    deb=$(echo "$work"/out/kavreno_*.deb)
    [ -f "$deb" ] || fail "cpack made no package"

    # The package's control fields.
    info=$(dpkg-deb -f "$deb")
    for field in "Section: utils" "Priority: optional" "Maintainer: " "Depends: .*libqt6widgets6" \
                 "Depends: .*libc6" "Depends: .*qt6-qpa-plugins" "Homepage: "; do
      grep -q "^$field" <<<"$info" || fail "no \"$field\" in the control file:"$'\n'"$info"
    done

    # The contents: exactly the expected files, rooted at /usr.
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$work/contents"
    sed "s|@LIBDIR@|$libdir|" "$here/contents.txt" | sort >"$work/expected"
    diff -u "$work/expected" "$work/contents" || fail "the package holds other files"
    zcat -f <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/kavreno/changelog.gz) |
      head -1 | grep -q "^kavreno (" || fail "changelog.gz is no Debian changelog"

    # lintian: no error, and no warning other than those kept on purpose
    # (tests/package/lintian-kept, each with its reason).
    kept=$(sed -n 's/^\([a-z][^ ]*\).*/\1/p' "$here/lintian-kept" | paste -sd,)
    lintian --fail-on error,warning ${kept:+--suppress-tags "$kept"} "$deb" ||
      fail "lintian"

    dpkg-deb -x "$deb" "$work/root"
    # Every option the program's --help names is in the manual page.
    man=$(zcat "$work/root/usr/share/man/man1/kavreno.1.gz")
    for option in $("$work/root/usr/bin/kavreno" --help | grep -oE -- '--[a-z]+' | sort -u); do
      grep -qF -- "${option//-/\\-}" <<<"$man" || fail "the manual page lacks $option"
    done
    open_window "$work/root/usr/bin/kavreno" "$work/root/usr/$libdir/kavreno/libkavreno-qt.so" \
      "$work/root/usr/share/kavreno/Kavreno.hlp"
    ;;
  build)
    open_window "$build/bin/kavreno" "$build/lib/libkavreno-qt.so" "$build/bin/Kavreno.hlp"
    ;;
  *) fail "mode must be prefix, deb or build" ;;
esac
echo "ok: $mode"
