#!/usr/bin/env bash
# The user closes the real OrderSrv.exe while its disk is full (every write that grows a file
# fails): the settings file must stay as it was, whole, and nothing be left beside it.
#   full_disk_close_test.sh REPO PREFIX ORDERSRV_EXE HOSTCLIENT_EXE WORK_DIR
set -uo pipefail
repo=$1 prefix=$2 exe=$3 hostclient=$4 work=$5
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh" "$prefix" || exit 1

rm -rf "$work"
mkdir -p "$work/nt/INCOMING" "$work/nt/OUTGOING"
cp "$exe" "$work/OrderSrv.exe"
printf 'Account=OLD1\r\nLocation=%s\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n' \
  "$(winepath -w "$work/nt")" >"$work/ORDERSRV.INI"
cp "$work/ORDERSRV.INI" "$work/expected.ini"

# Only the server runs on the full disk; the prefix's wineserver was started before.
( trap '' XFSZ; ulimit -f 0; exec timeout 60 wine "$work/OrderSrv.exe" ) </dev/null >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do
  timeout 10 wine "$hostclient" close >/dev/null 2>&1 && break
  sleep 0.2
done
wait "$server"
status=$?

failures=0
[ "$status" -eq 0 ] || { echo "FAIL: the server ended with $status"; failures=1; }
cmp -s "$work/expected.ini" "$work/ORDERSRV.INI" ||
  { echo "FAIL: ORDERSRV.INI changed:"; od -c "$work/ORDERSRV.INI" | head; failures=1; }
ls "$work"/ORDERSRV.INI.* >/dev/null 2>&1 && { echo "FAIL: left beside it:"; ls "$work"; failures=1; }
[ "$failures" -eq 0 ] && echo "PASS: the settings file survived a close on a full disk"
exit "$failures"
