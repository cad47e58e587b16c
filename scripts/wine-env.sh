#!/usr/bin/env bash
# Source with the Wine prefix path as $1: starts the headless X server and the prefix's
# persistent wineserver when they are not running yet, and exports what Wine needs.
# Safe to source from several processes at once (the prefix is created under a lock).
ordersrv_prefix=${1:?wine prefix path}
mkdir -p "$(dirname "$ordersrv_prefix")"
ordersrv_prefix=$(cd "$(dirname "$ordersrv_prefix")" && pwd)/$(basename "$ordersrv_prefix")

export WINEPREFIX=$ordersrv_prefix WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Wine names files in the character set of the Unix locale: under the C locale (a fresh machine
# with none configured) no file name outside ASCII can be made, and the tests' folders are named
# in Polish and Cyrillic letters, as users' folders may be. Every Debian has C.UTF-8.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
export DISPLAY=${ORDERSRV_DISPLAY:-${DISPLAY:-:90}}

# True when an X server whose lock names a live process owns display $1. A machine's /tmp may
# outlive its processes: a socket and lock left behind by an X server that has gone must not
# pass for a running one, or every window the tests create fails.
ordersrv_display_alive() {
  local n=$1 pid
  [ -S "/tmp/.X11-unix/X$n" ] && [ -r "/tmp/.X$n-lock" ] || return 1
  pid=$(tr -dc '0-9' <"/tmp/.X$n-lock")
  [ -n "$pid" ] && grep -q '^X' "/proc/$pid/comm" 2>/dev/null || return 1
  # An X server that died while its parent lives is a zombie: present, but serving nothing.
  local state
  state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

ordersrv_start_xvfb() {
  local n=${DISPLAY#:}; n=${n%%.*}
  ordersrv_display_alive "$n" && return 0
  rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock"
  command -v Xvfb >/dev/null || { echo "wine-env: Xvfb is not installed" >&2; return 1; }
  setsid Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  # Whoever sourced this started the X server and may stop it again (ordersrv_stop_xvfb).
  ORDERSRV_XVFB_PID=$!
  for _ in $(seq 100); do ordersrv_display_alive "$n" && return 0; sleep 0.1; done
  echo "wine-env: Xvfb did not start on $DISPLAY" >&2; return 1
}

# Stops the X server this shell started, if it started one.
ordersrv_stop_xvfb() {
  [ -n "${ORDERSRV_XVFB_PID:-}" ] || return 0
  kill "$ORDERSRV_XVFB_PID" 2>/dev/null || true
  ORDERSRV_XVFB_PID=
}

# ImageMagick under the name its release gives it: Debian 13's ImageMagick 7 is `magick`;
# Debian 12's ImageMagick 6 has none, and its own convert-im6.q16 is never mistaken for another
# `convert` earlier on PATH.
ordersrv_magick() {
  if command -v magick >/dev/null; then magick "$@"; else convert-im6.q16 "$@"; fi
}

# True when Wine's 32-bit half is installed: 32-bit programs run, and `wine` itself starts the
# 32-bit loader (so `wine reg`, `wine cmd` and `wine cscript` are 32-bit).
ordersrv_wine32_present() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# The kind of prefix Wine makes here: with or without its 32-bit half.
ordersrv_prefix_kind() { if ordersrv_wine32_present; then echo wow64; else echo win64; fi; }

# The kind a ready prefix was made for ("" when it is not ready; an empty mark is win64).
ordersrv_ready_kind() {
  local mark=$WINEPREFIX/.ordersrv-ready
  [ -e "$mark" ] || return 0
  [ -s "$mark" ] && cat "$mark" || echo win64
}

ordersrv_make_prefix() {
  local kind; kind=$(ordersrv_prefix_kind)
  [ "$(ordersrv_ready_kind)" = "$kind" ] && return 0
  (
    flock 9
    [ "$(ordersrv_ready_kind)" = "$kind" ] && exit 0
    command -v wine >/dev/null || { echo "wine-env: wine is not installed" >&2; exit 1; }
    # A prefix made before the 32-bit half was installed fails for every program: made again.
    if [ -e "$WINEPREFIX/.ordersrv-ready" ] || [ -d "$WINEPREFIX/drive_c" ]; then
      echo "wine-env: making $WINEPREFIX again for a $kind Wine" >&2
      wineserver -k 2>/dev/null || true
      rm -rf "$WINEPREFIX"
    fi
    wine wineboot -i >/dev/null 2>&1 && wineserver -w || { echo "wine-env: wineboot failed" >&2; exit 1; }
    # A virtual desktop gives windows a frame and makes tray icons and window destruction fast.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    echo "$kind" >"$WINEPREFIX/.ordersrv-ready"
  ) 9>"$WINEPREFIX.lock"
}

ordersrv_start_wineserver() {
  # A persistent server saves seconds per program; detached so no caller waits on its pipes.
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
  # Wine's own services start with the first program and outlive it; start them here, detached,
  # so they never hold a test's output open.
  setsid wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

ordersrv_start_xvfb && ordersrv_make_prefix && ordersrv_start_wineserver
