#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Used as CMake's cross-compiling emulator, so CTest runs the Windows tests through it.
set -e
prefix=$1; shift
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

# A test that CTest ended at its time-out leaves behind the server COM started for it (not the
# test's child, so not ended with it), still registered with the prefix's COM: every later test
# would meet that server instead of its own. Such leftovers end here, with the prefix's
# wineserver, and the run says so.
leftovers=()
for pid in $(pgrep -f '(OrderSrv|ntstandin|hostclient)\.exe' || true); do
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" &&
    leftovers+=("$pid")
done
if [ ${#leftovers[@]} -gt 0 ]; then
  echo "wine-run: ending what an earlier test left running in the prefix:" >&2
  for pid in "${leftovers[@]}"; do
    echo "  $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" >&2
  done
  WINEPREFIX=$prefix wineserver -k || true
  WINEPREFIX=$prefix wineserver -w || true
fi

# shellcheck source=wine-env.sh
source "$(dirname "$0")/wine-env.sh" "$prefix"
exec wine "$@"
