#!/usr/bin/env bash
# Photographs the main window's pages (Settings, Orders, Positions, Log, About) and its
# notification-area menu into docs/screenshots/, under Wine on the headless X server.
#   scripts/screenshots.sh [BUILD_DIR]     (default build/ui-windows, configured with --preset windows)
# SCREENSHOT_DISPLAY chooses another X display than :90, SCREENSHOT_PREFIX another Wine prefix
# (one set to other pixels per inch, say), SCREENSHOT_OUT another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/ui-windows}
out=${SCREENSHOT_OUT:-$root/docs/screenshots}
cmake --build "$build" --target ui_screenshot_scenes -j2 >/dev/null
exe=$build/tests/ui/ui_screenshot_scenes.exe

export ORDERSRV_DISPLAY=${SCREENSHOT_DISPLAY:-:90}
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh" "${SCREENSHOT_PREFIX:-$build/wineprefix-screenshots}"

handshake=$(mktemp -d)
trap 'rm -rf "$handshake"' EXIT
mkdir -p "$out"
timeout 180 wine "$exe" "$(winepath -w "$handshake")" &
scenes=$!
while kill -0 "$scenes" 2>/dev/null; do
  if [ -f "$handshake/request.txt" ]; then
    read -r name left top right bottom <"$handshake/request.txt"
    rm -f "$handshake/request.txt"
    # The virtual desktop lies at the top left of the X screen.
    xwd -root -display "$DISPLAY" -silent |
      ordersrv_magick xwd:- -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        "$out/$name.png"
    echo "$out/$name.png"
    touch "$handshake/done-$name"
  fi
  sleep 0.1
done
wait "$scenes"
