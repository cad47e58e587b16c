#!/usr/bin/env bash
# The setup program under Wine, in a prefix of its own made afresh: a silent install for the
# current user (files, keys, shortcut), a host's call against the installed server, an upgrade
# that keeps the settings, an uninstaller that refuses while the server runs, a silent uninstall
# that leaves nothing but the settings; then the same for all users.
#   installer_test.sh REPO PREFIX SETUP_EXE HOSTCLIENT_EXE WORK_DIR
set -uo pipefail
repo=$1 prefix=$2 setup=$3 hostclient=$4 work=$5
clsid='{088889B3-834F-40B5-B490-57681401450D}'
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\OrderServer'

[ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
rm -rf "$prefix" "$work"
mkdir -p "$work"
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh" "$prefix" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
key_exists() { wine reg query "$1" /reg:64 >/dev/null 2>&1; }
expect_key() { key_exists "$1" || fail "$1 is missing"; }
expect_no_key() { key_exists "$1" && fail "$1 is still there"; }
unix_of() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
server_running() { pgrep -f 'OrderSrv.exe' >/dev/null; }

# A host: creates the server by its ProgID and reads Connected.
printf 'Set server = CreateObject("Quillmere.OrderServer")\r\nWScript.Echo "Connected=" & server.Connected\r\nSet server = Nothing\r\n' \
  >"$work/host.vbs"
host_calls() {  # true when the host's call came back
  timeout 60 wine cscript //nologo "$(winepath -w "$work/host.vbs")" </dev/null >"$work/host.out" 2>&1
  grep -q '^Connected=' "$work/host.out"
}
wait_until_gone() {  # the uninstaller runs on from a copy of itself
  for _ in $(seq 150); do [ -e "$1" ] || return 0; sleep 0.2; done
  return 1
}

echo "== for the current user: silent install"
timeout 120 wine "$setup" /S; rc=$?
[ $rc -eq 0 ] || fail "setup /S exited with $rc"
dir=$(unix_of '%LOCALAPPDATA%')/Programs/OrderServer
win_dir=$(winepath -w "$dir")
[ -f "$dir/OrderSrv.exe" ] || fail "no OrderSrv.exe in $dir"
[ -f "$dir/Uninstall.exe" ] || fail "no Uninstall.exe in $dir"
[ -f "$(unix_of '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Order Server.lnk" ] ||
  fail "no Start Menu shortcut"
server=$(wine reg query "HKCU\\Software\\Classes\\CLSID\\$clsid\\LocalServer32" /ve /reg:64 2>/dev/null |
  tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p')
[ "$server" = "$win_dir\\OrderSrv.exe" ] || fail "per-user LocalServer32 is '$server'"
expect_key "HKCU\\Software\\Classes\\Quillmere.OrderServer"
expect_no_key "HKLM\\Software\\Classes\\CLSID\\$clsid"
expect_key "HKCU\\$uninstall_key"

echo "== a host calls the installed server (registered machine-wide here: Wine does not merge"
echo "   the user's classes into HKEY_CLASSES_ROOT)"
timeout 60 wine "$dir/OrderSrv.exe" /RegServer </dev/null >/dev/null 2>&1
host_calls || { fail "the host's call failed:"; cat "$work/host.out"; }
for _ in $(seq 100); do server_running || break; sleep 0.2; done
timeout 60 wine "$dir/OrderSrv.exe" /UnregServer </dev/null >/dev/null 2>&1

echo "== an upgrade keeps the settings"
printf 'Account=KEPT1\r\nLocation=c:\\nt\r\nAcceptOrders=0\r\nStopToStopLimit=1\r\n' >"$dir/ORDERSRV.INI"
cp "$dir/ORDERSRV.INI" "$work/settings.ini"
timeout 120 wine "$setup" /S || fail "the upgrade failed"
cmp -s "$dir/ORDERSRV.INI" "$work/settings.ini" || fail "the upgrade changed ORDERSRV.INI"

echo "== the uninstaller refuses while the server runs"
wine "$dir/OrderSrv.exe" </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do server_running && break; sleep 0.2; done
sleep 2
timeout 60 wine "$dir/Uninstall.exe" /S "_?=$win_dir"; rc=$?
[ $rc -ne 0 ] || fail "the uninstaller did not refuse while the server ran"
[ -f "$dir/OrderSrv.exe" ] || fail "the refusing uninstaller removed OrderSrv.exe"
timeout 30 wine "$hostclient" close >/dev/null 2>&1 || fail "the server could not be closed"
for _ in $(seq 100); do server_running || break; sleep 0.2; done
# Its start registered it through HKEY_CLASSES_ROOT, which Windows writes into the user's
# classes where the server is registered already; Wine writes machine-wide.
timeout 60 wine "$dir/OrderSrv.exe" /UnregServer </dev/null >/dev/null 2>&1

echo "== silent uninstall: nothing left but the settings and the order journal"
timeout 60 wine "$dir/Uninstall.exe" /S
wait_until_gone "$dir/Uninstall.exe" || fail "Uninstall.exe is still there"
sleep 1
left=$(cd "$dir" 2>/dev/null && ls | tr '\n' ' ')
[ "$left" = "ORDERSRV-JOURNAL.TXT ORDERSRV.INI " ] || fail "left in $dir: '$left'"
for key in "CLSID\\$clsid" "Quillmere.OrderServer" "TypeLib\\{F571940F-F44E-4FB7-950E-7F19FE0C7923}"; do
  expect_no_key "HKCU\\Software\\Classes\\$key"
  expect_no_key "HKLM\\Software\\Classes\\$key"
done
expect_no_key "HKCU\\$uninstall_key"
[ -e "$(unix_of '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Order Server.lnk" ] &&
  fail "the Start Menu shortcut is still there"

echo "== for all users: silent install, a host's call, silent uninstall"
timeout 120 wine "$setup" /S /ALLUSERS; rc=$?
[ $rc -eq 0 ] || fail "setup /S /ALLUSERS exited with $rc"
dir=$(unix_of '%ProgramW6432%')/OrderServer  # the 64-bit one, also from a 32-bit cmd
[ -f "$dir/OrderSrv.exe" ] || fail "no OrderSrv.exe in $dir"
expect_key "HKLM\\Software\\Classes\\CLSID\\$clsid"
expect_key "HKLM\\$uninstall_key"
host_calls || { fail "the host's call failed:"; cat "$work/host.out"; }
for _ in $(seq 100); do server_running || break; sleep 0.2; done
timeout 60 wine "$dir/Uninstall.exe" /S /ALLUSERS
wait_until_gone "$dir/Uninstall.exe" || fail "Uninstall.exe is still there"
sleep 1
left=$(cd "$dir" 2>/dev/null && ls | tr '\n' ' ')
[ -z "$left" ] || [ "$left" = "ORDERSRV-JOURNAL.TXT " ] || fail "left in $dir: '$left'"
expect_no_key "HKLM\\Software\\Classes\\CLSID\\$clsid"
expect_no_key "HKLM\\$uninstall_key"

WINEPREFIX=$prefix wineserver -k 2>/dev/null
[ $failures -eq 0 ] && echo "installer: all checks passed"
exit $((failures > 0))
