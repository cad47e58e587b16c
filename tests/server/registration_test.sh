#!/usr/bin/env bash
# Registration of the real OrderSrv.exe under Wine, read back with `reg query` in both registry
# views (with Wine's 32-bit half, `wine reg` itself is 32-bit, so every query names its view):
#   registration_test.sh REPO PREFIX ORDERSRV_EXE WORK_DIR
set -uo pipefail
repo=$1 prefix=$2 exe=$3 work=$4
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh" "$prefix" || exit 1

clsid='{088889B3-834F-40B5-B490-57681401450D}'
libid='{F571940F-F44E-4FB7-950E-7F19FE0C7923}'
iid='{1B322074-4E28-4CEC-BAAB-F1C88B1B81B4}'
proxy='{00020424-0000-0000-C000-000000000046}'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The default value of a key (ROOT\KEY, in VIEW 32 or 64), or "<missing>".
default_of() {
  local out
  out=$(wine reg query "$1" /ve "/reg:${2:-64}" 2>/dev/null | tr -d '\r') || { echo "<missing>"; return; }
  sed -n 's/^ *(Default) *REG_SZ *//p' <<<"$out"
}
expect_default() {  # expect_default KEY VALUE [VIEW]
  local got; got=$(default_of "$1" "${3:-64}")
  [ "$got" = "$2" ] || fail "$1 (view ${3:-64}): expected '$2', got '$got'"
}
expect_missing() {  # expect_missing KEY [VIEW]
  wine reg query "$1" "/reg:${2:-64}" >/dev/null 2>&1 && fail "$1 (view ${2:-64}) still exists"
}
run_server() {  # run_server EXE ARG: the exit code, with a bound on the time
  timeout 60 wine "$1" "$2" </dev/null >/dev/null 2>&1
}
# The keys of a registration below ROOT (HKCR, or HKCU\Software\Classes).
expect_registered() {  # expect_registered ROOT WINDOWS_EXE_PATH_AS_REGISTERED WINDOWS_EXE_PATH
  local root=$1 server=$2 path=$3 view
  expect_default "$root\\CLSID\\$clsid" "OrderServer Object"
  expect_default "$root\\CLSID\\$clsid\\LocalServer32" "$server"
  expect_default "$root\\Quillmere.OrderServer" "OrderServer Object"
  expect_default "$root\\Quillmere.OrderServer\\Clsid" "$clsid"
  expect_default "$root\\CLSID\\$clsid\\ProgID" "Quillmere.OrderServer"
  expect_default "$root\\CLSID\\$clsid\\Version" "1.0"
  expect_default "$root\\CLSID\\$clsid\\TypeLib" "$libid"
  expect_default "$root\\TypeLib\\$libid\\1.0" "Quillmere Library"
  # 64-bit hosts read win64, 32-bit hosts win32: the 32-bit library is the executable's second.
  for locale in 409 0; do
    expect_default "$root\\TypeLib\\$libid\\1.0\\$locale\\win64" "$path"
    expect_default "$root\\TypeLib\\$libid\\1.0\\$locale\\win32" "$path\\2"
  done
  for view in 64 32; do
    expect_default "$root\\Interface\\$iid" "IOrderServer" $view
    expect_default "$root\\Interface\\$iid\\ProxyStubClsid32" "$proxy" $view
    expect_default "$root\\Interface\\$iid\\TypeLib" "$libid" $view
  done
}
expect_unregistered() {  # expect_unregistered ROOT
  for key in "CLSID\\$clsid" "Quillmere.OrderServer" "TypeLib\\$libid" "Interface\\$iid"; do
    expect_missing "$1\\$key" 64
    expect_missing "$1\\$key" 32
  done
}
# Every key and value of a registration below ROOT, with ROOT cut off, for comparing two roots.
export_registration() {  # export_registration ROOT FILE
  local key view reg=$work/export.reg
  : >"$2"
  # The 32-bit view is compared for Interface alone: Wine keeps HKLM's CLSID apart per view
  # but not HKCU's.
  for key in "CLSID\\$clsid" "Quillmere.OrderServer" "TypeLib\\$libid" "Interface\\$iid"; do
    for view in 64 32; do
      [ "$view" = 32 ] && [ "${key%%\\*}" != Interface ] && continue
      rm -f "$reg"
      wine reg export "$1\\$key" "$(winepath -w "$reg")" "/reg:$view" /y >/dev/null 2>&1 ||
        { echo "missing: $key ($view)" >>"$2"; continue; }
      iconv -f UTF-16LE -t UTF-8 "$reg" | tr -d '\r' | grep -v 'Registry Editor' |
        sed -E 's/^\[HKEY_(LOCAL_MACHINE|CURRENT_USER)\\Software\\Classes\\/[/I' >>"$2"
    done
  done
}

rm -rf "$work"; mkdir -p "$work/plain" "$work/with blank"
cp "$exe" "$work/plain/OrderSrv.exe"
cp "$exe" "$work/with blank/OrderSrv.exe"
plain_win=$(winepath -w "$work/plain/OrderSrv.exe" 2>/dev/null)

echo "== /RegServer and -regserver write the seven keys and both type libraries"
for switch in /RegServer -regserver; do
  run_server "$work/plain/OrderSrv.exe" "$switch"; rc=$?
  [ $rc -eq 0 ] || fail "$switch exited with $rc"
  expect_registered HKCR "$plain_win" "$plain_win"
  [ -e "$work/plain/ORDERSRV.INI" ] && fail "$switch created the settings file (a window ran)"
done
export_registration 'HKLM\Software\Classes' "$work/machine.txt"

echo "== /UnregServer removes them"
run_server "$work/plain/OrderSrv.exe" /UnregServer; rc=$?
[ $rc -eq 0 ] || fail "/UnregServer exited with $rc"
expect_unregistered HKCR

echo "== /RegServerPerUser writes the same keys and values for the current user only"
run_server "$work/plain/OrderSrv.exe" /RegServerPerUser; rc=$?
[ $rc -eq 0 ] || fail "/RegServerPerUser exited with $rc"
expect_registered 'HKCU\Software\Classes' "$plain_win" "$plain_win"
expect_unregistered 'HKLM\Software\Classes'
export_registration 'HKCU\Software\Classes' "$work/user.txt"
grep -q 'OrderServer Object' "$work/machine.txt" || fail "nothing exported from the machine-wide keys"
diff "$work/machine.txt" "$work/user.txt" >"$work/diff.txt" ||
  { fail "per-user keys differ from the machine-wide ones:"; head -20 "$work/diff.txt"; }
run_server "$work/plain/OrderSrv.exe" /UnregServerPerUser; rc=$?
[ $rc -eq 0 ] || fail "/UnregServerPerUser exited with $rc"
expect_unregistered 'HKCU\Software\Classes'

echo "== a path with a blank is registered in its short form"
run_server "$work/with blank/OrderSrv.exe" /REGSERVER; rc=$?
[ $rc -eq 0 ] || fail "/REGSERVER from a folder with a blank exited with $rc"
server_path=$(default_of "HKCR\\CLSID\\$clsid\\LocalServer32")
case $server_path in
  *" "*|"<missing>"|"") fail "LocalServer32 is '$server_path'" ;;
  *) echo "LocalServer32: $server_path" ;;
esac
run_server "$work/with blank/OrderSrv.exe" /unregserver
expect_unregistered HKCR

[ $failures -eq 0 ] && echo "registration: all checks passed"
exit $((failures > 0))
