#!/usr/bin/env bash
# Runs a Windows test program with one registry value of the run's Wine
# prefix set, and takes the value away again afterwards, whatever the result:
#   with-setting.sh [--fresh] KEY NAME DATA PROGRAM.exe [ARGUMENTS...]
# A number is written as a DWORD, anything else as a string. With --fresh the
# program runs in a new prefix of its own instead, made for this run (where
# no program has started yet), and removed afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine-env.sh
source "$here/../../tools/wine-env.sh"
kv_wine_require_prefix

fresh=""
if [ "${1:-}" = --fresh ]; then
  fresh=$(mktemp -d)
  shift
fi
key=$1 name=$2 data=$3
shift 3
type=REG_SZ
[[ $data =~ ^[0-9]+$ ]] && type=REG_DWORD

restore() {
  if [ -n "$fresh" ]; then
    kv_wine_stop
    rm -rf "$fresh"
  else
    wine reg delete "$key" /v "$name" /f >/dev/null 2>&1 || true
  fi
}
trap restore EXIT
if [ -n "$fresh" ]; then
  export WINEPREFIX=$fresh/prefix
  kv_wine_new_prefix "$WINEPREFIX"
  touch "$WINEPREFIX/kavreno-test-prefix"
  kv_wine_warm
fi
wine reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1
wine "$@"
