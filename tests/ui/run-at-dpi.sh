#!/usr/bin/env bash
# Runs a Windows test program in its own Wine prefix whose screen reports the given pixels per
# inch: run-at-dpi.sh PREFIX DPI PROGRAM [ARGS...]. Other prefixes keep 96.
set -e
prefix=$1 dpi=$2; shift 2
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "$0")/../../scripts/wine-env.sh" "$prefix"
current=$(wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null | tr -d '\r' |
          awk '/LogPixels/ {print $3}')
if [ "$current" != "$(printf '0x%x' "$dpi")" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  # The value is read when the session starts: begin a new one.
  wineserver -k || true
  wineserver -w || true
  source "$(dirname "$0")/../../scripts/wine-env.sh" "$prefix"
fi
status=0
ORDERSRV_EXPECT_DPI=$dpi wine "$@" || status=$?
# This prefix serves only this run: leave nothing of it running.
wineserver -k 2>/dev/null || true
exit "$status"
