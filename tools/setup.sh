#!/usr/bin/env bash
# Installs what building and testing Kavreno needs, from Debian's packages.
# Idempotent: asks apt only for what is missing.
#   tools/setup.sh linux    the Linux program and its tests
#   tools/setup.sh all      also the Windows cross build and Wine
set -euo pipefail

what=${1:-all}

linux_packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libblkid-dev
  nlohmann-json3-dev python3 python3-jsonschema ansible-core
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-qpa-plugins libgl-dev
  fonts-noto-cjk xvfb xauth x11-utils xdotool
  desktop-file-utils appstream lintian
  locales
  python3 fp-utils libchm-bin
  clang libclang-rt-14-dev
)
windows_packages=(mingw-w64 g++-mingw-w64-i686 wine wine32 wine64 nsis)

packages=("${linux_packages[@]}")
[ "$what" = all ] && packages+=("${windows_packages[@]}")

sudo_if_needed() { if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi; }

if [ "$what" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_if_needed dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_if_needed apt-get update -qq
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  sudo_if_needed apt-get update -qq
fi

# The Japanese locale: Wine shows Japanese glyphs and uses code page 932 only
# under it. The German one: the tests of the locale's number separators.
generate=0
for name in ja_JP de_DE; do
  if ! locale -a 2>/dev/null | grep -qi "^$name\.utf8$"; then
    sudo_if_needed sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen ||
      echo "$name.UTF-8 UTF-8" | sudo_if_needed tee -a /etc/locale.gen >/dev/null
    generate=1
  fi
done
[ "$generate" = 0 ] || sudo_if_needed locale-gen >/dev/null
