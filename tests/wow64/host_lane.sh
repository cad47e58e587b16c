#!/usr/bin/env bash
# The 32-bit host lane, under Wine with its 32-bit half: the i686 client (every member, early-
# and late-bound, and the rules by which the server ends) and the 32-bit script host against the
# 64-bit server, and clients of both bitnesses against the i686 server. Needs build/windows and
# build/windows-i686. Exit code: 0 passed, 1 failed, 77 could not run (it says why).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
server64=$root/build/windows/server/OrderSrv.exe
server32=$root/build/windows-i686/server/OrderSrv.exe
client64=$root/build/windows/tests/server/server_client_tests.exe
client32=$root/build/windows-i686/tests/server/server_client_tests.exe

not_run() { echo "32-bit host lane: NOT RUN: $*"; exit 77; }
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
  not_run "Wine's 32-bit half is not installed (ORDERSRV_WOW64=1 bash scripts/test.sh installs it)"
for f in "$server64" "$server32" "$client64" "$client32"; do
  [ -f "$f" ] || not_run "$f is not built"
done
# shellcheck source=../../scripts/wine-env.sh
source scripts/wine-env.sh "$root/build/windows/wineprefix" || not_run "the Wine prefix did not start"

# A WoW64 prefix finishes setting up its 32-bit half when the first 32-bit program runs.
timeout 120 wine 'c:\windows\syswow64\cmd.exe' /c exit </dev/null >/dev/null 2>&1

failures=0
# A client run counts only when its tests were seen to pass: without the 32-bit half, a 32-bit
# program prints nothing and ends with 0.
run_clients() {  # run_clients TITLE CLIENT SERVER
  echo "== $1"
  local out=$root/build/windows/tests/wow64-$RANDOM.log
  ORDERSRV_SERVER_EXE=$3 timeout 600 wine "$2" --gtest_color=no >"$out" 2>&1
  local rc=$?
  grep -E '^\[ +(OK|FAILED|SKIPPED) +\]|^\[==========\]' "$out" | grep -v '^\[==========\] Running'
  if [ $rc -ne 0 ] || ! grep -q '^\[  PASSED  \] [1-9]' "$out"; then
    echo "FAIL: $1 (exit code $rc)"; tail -20 "$out"; failures=$((failures + 1))
  fi
  rm -f "$out"
}

run_clients "32-bit client, 64-bit server" "$client32" "$server64"
run_clients "64-bit client, 32-bit server" "$client64" "$server32"
run_clients "32-bit client, 32-bit server" "$client32" "$server32"
echo "== 32-bit script host (syswow64\\cscript.exe), 64-bit server"
bash tests/server/vbscript_test.sh "$root" "$root/build/windows/wineprefix" "$server64" \
  "$root/build/windows/tests/server/vbscript-run-32" 'c:\windows\syswow64\cscript.exe' ||
  failures=$((failures + 1))

[ $failures -eq 0 ] && echo "32-bit host lane: passed" || echo "32-bit host lane: $failures part(s) failed"
exit $((failures > 0))
