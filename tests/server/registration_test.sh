#!/usr/bin/env bash
# Registration of the real OrderSrv.exe under Wine, read back with `reg query`:
#   registration_test.sh REPO PREFIX ORDERSRV_EXE WORK_DIR
set -uo pipefail
repo=$1 prefix=$2 exe=$3 work=$4
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh" "$prefix" || exit 1

clsid='{088889B3-834F-40B5-B490-57681401450D}'
libid='{F571940F-F44E-4FB7-950E-7F19FE0C7923}'
iid='{1B322074-4E28-4CEC-BAAB-F1C88B1B81B4}'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The default value of a key below HKCR, or "<missing>".
default_of() {
  local out
  out=$(wine reg query "HKCR\\$1" /ve 2>/dev/null | tr -d '\r') || { echo "<missing>"; return; }
  sed -n 's/^ *(Default) *REG_SZ *//p' <<<"$out"
}
expect_default() {
  local got; got=$(default_of "$1")
  [ "$got" = "$2" ] || fail "HKCR\\$1: expected '$2', got '$got'"
}
expect_missing() {
  wine reg query "HKCR\\$1" >/dev/null 2>&1 && fail "HKCR\\$1 still exists"
}
run_server() {  # run_server EXE ARG: the exit code, with a bound on the time
  timeout 60 wine "$1" "$2" </dev/null >/dev/null 2>&1
}
expect_registered() {  # expect_registered WINDOWS_EXE_PATH_AS_REGISTERED
  expect_default "CLSID\\$clsid" "OrderServer Object"
  expect_default "CLSID\\$clsid\\LocalServer32" "$1"
  expect_default "Quillmere.OrderServer" "OrderServer Object"
  expect_default "Quillmere.OrderServer\\Clsid" "$clsid"
  expect_default "CLSID\\$clsid\\ProgID" "Quillmere.OrderServer"
  expect_default "CLSID\\$clsid\\Version" "1.0"
  expect_default "CLSID\\$clsid\\TypeLib" "$libid"
  expect_default "TypeLib\\$libid\\1.0" "Quillmere Library"
  expect_default "TypeLib\\$libid\\1.0\\409\\win64" "$2"
  expect_default "TypeLib\\$libid\\1.0\\0\\win64" "$2"
  expect_default "Interface\\$iid" "IOrderServer"
}
expect_unregistered() {
  for key in "CLSID\\$clsid" "Quillmere.OrderServer" "TypeLib\\$libid" "Interface\\$iid"; do
    expect_missing "$key"
  done
}

rm -rf "$work"; mkdir -p "$work/plain" "$work/with blank"
cp "$exe" "$work/plain/OrderSrv.exe"
cp "$exe" "$work/with blank/OrderSrv.exe"
plain_win=$(winepath -w "$work/plain/OrderSrv.exe" 2>/dev/null)

echo "== /RegServer and -regserver write the seven keys and the type library"
for switch in /RegServer -regserver; do
  run_server "$work/plain/OrderSrv.exe" "$switch"; rc=$?
  [ $rc -eq 0 ] || fail "$switch exited with $rc"
  expect_registered "$plain_win" "$plain_win"
  [ -e "$work/plain/ORDERSRV.INI" ] && fail "$switch created the settings file (a window ran)"
done

echo "== /UnregServer removes them"
run_server "$work/plain/OrderSrv.exe" /UnregServer; rc=$?
[ $rc -eq 0 ] || fail "/UnregServer exited with $rc"
expect_unregistered

echo "== a path with a blank is registered in its short form"
run_server "$work/with blank/OrderSrv.exe" /REGSERVER; rc=$?
[ $rc -eq 0 ] || fail "/REGSERVER from a folder with a blank exited with $rc"
server_path=$(default_of "CLSID\\$clsid\\LocalServer32")
case $server_path in
  *" "*|"<missing>"|"") fail "LocalServer32 is '$server_path'" ;;
  *) echo "LocalServer32: $server_path" ;;
esac
run_server "$work/with blank/OrderSrv.exe" /unregserver
expect_unregistered

[ $failures -eq 0 ] && echo "registration: all checks passed"
exit $((failures > 0))
