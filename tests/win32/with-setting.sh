#!/usr/bin/env bash
# Runs a Windows test program with one registry value of the run's Wine
# prefix set, and takes the value away again afterwards, whatever the result:
#   with-setting.sh KEY NAME DATA PROGRAM.exe [ARGUMENTS...]
# A number is written as a DWORD, anything else as a string.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine-env.sh
source "$here/../../tools/wine-env.sh"
kv_wine_require_prefix

key=$1 name=$2 data=$3
shift 3
type=REG_SZ
[[ $data =~ ^[0-9]+$ ]] && type=REG_DWORD

restore() { wine reg delete "$key" /v "$name" /f >/dev/null 2>&1 || true; }
trap restore EXIT
wine reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1
wine "$@"
