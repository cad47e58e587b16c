#!/usr/bin/env bash
# A VBScript client (cscript) of the real OrderSrv.exe, which COM starts for it:
#   vbscript_test.sh REPO PREFIX ORDERSRV_EXE WORK_DIR [SCRIPT_HOST]
# SCRIPT_HOST is the 64-bit script host unless named (the 32-bit host lane names
# c:\windows\syswow64\cscript.exe); with Wine's 32-bit half, a bare `wine cscript` is 32-bit.
set -uo pipefail
repo=$1 prefix=$2 exe=$3 work=$4 host=${5:-'c:\windows\system32\cscript.exe'}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh" "$prefix" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"; mkdir -p "$work/nt/incoming" "$work/nt/outgoing"
cp "$exe" "$work/OrderSrv.exe"
cp "$here/order_client.vbs" "$work/order_client.vbs"
printf 'LONG;3;4500.5\r\n' >"$work/nt/outgoing/ES GLOBEX_SIM101_POSITION.TXT"
nt_win=$(winepath -w "$work/nt" 2>/dev/null)
printf 'Location=%s\r\nAccount=SIM101\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n' "$nt_win" \
  >"$work/ORDERSRV.INI"

server_running() { ps -eo args | grep -F "$(winepath -w "$work/OrderSrv.exe" 2>/dev/null)" | grep -qv grep; }

timeout 60 wine "$work/OrderSrv.exe" /RegServer </dev/null >/dev/null 2>&1 || fail "registration failed"
script_win=$(winepath -w "$work/order_client.vbs" 2>/dev/null)
# The server COM starts inherits the script's output: collect it in a file, not a pipe.
timeout 120 wine "$host" //nologo "$script_win" </dev/null >"$work/output.txt" 2>"$work/errors.txt"
rc=$?
tr -d '\r' <"$work/output.txt" >"$work/output.clean"
cat "$work/output.clean"
[ $rc -eq 0 ] || { fail "cscript exited with $rc"; cat "$work/errors.txt"; }

expect_line() {
  grep -qxF -- "$1" "$work/output.clean" || fail "no line '$1'"
}
expect_line "Connected=True"
expect_line "Placed=True Status=0 TypeOfStatus=Long TypeOfPrice=Double"
expect_line "Unknown=False Status=4"
expect_line "Positions=True Count=1 Symbol=ES Type=0 Expiry=[] Exchange=[]"
expect_line "ErrNumber=8000FFFF"
expect_line "ErrDescription=Invalid variant type conversion"
expect_line "ErrSource=Quillmere.OrderServer"
expect_line "Done"
grep -q '^Position=True Size=3 Cost=4500' "$work/output.clean" || fail "no position of ES"

# The server ends after the script let go of its object.
for _ in $(seq 200); do server_running || break; sleep 0.1; done
server_running && fail "the server still runs after the script ended"
timeout 60 wine "$work/OrderSrv.exe" /UnregServer </dev/null >/dev/null 2>&1

[ $failures -eq 0 ] && echo "vbscript: all checks passed"
exit $((failures > 0))
