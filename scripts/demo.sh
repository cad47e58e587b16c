#!/usr/bin/env bash
# The demo: builds everything, then runs the order server under Wine (headless) against the
# NinjaTrader stand-in, with a host client that places a market, a limit and a stop order,
# cancels the resting one and polls until every order has ended. Prints a transcript.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh

# The build prints nothing unless it fails; on 2 cores it takes about 2 minutes the first time
# and seconds afterwards.
echo "== Building the NinjaTrader stand-in (native, build/native)"
cmake --preset native >/dev/null
cmake --build --preset native --target ntstandin -j "$(nproc)" >/dev/null
echo "== Building OrderSrv.exe and the host client (Windows, build/windows)"
cmake --preset windows >/dev/null
cmake --build --preset windows --target OrderSrv hostclient -j "$(nproc)" >/dev/null

run=$root/demo-run
rm -rf "$run"
nt="$run/NinjaTrader 8"
mkdir -p "$nt/INCOMING" "$nt/OUTGOING" "$run/bin" "$run/screenshots" "$run/shot-requests"
cp build/windows/server/OrderSrv.exe build/windows/tools/hostclient/hostclient.exe "$run/bin/"

echo "== Starting Wine (a prefix of its own in demo-run/, about 15 s) and a headless X server"
source scripts/wine-env.sh "$run/wineprefix"
stop() {
  touch "$run/standin.stop"
  wineserver -k 2>/dev/null || true
  ordersrv_stop_xvfb
}
trap stop EXIT

ntwin=$(winepath -w "$nt")
printf 'Account=Sim101\r\nLocation=%s\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n' "$ntwin" >"$run/bin/ORDERSRV.INI"

echo "== NinjaTrader stand-in on $nt (account SIM101; limit orders rest until cancelled)"
build/native/tools/ntstandin --folder "$nt" --accounts SIM101 --rest-limits --trace \
  --fill-delay-ms 300 --partial-steps 2 --run-ms 120000 --stop-file "$run/standin.stop" \
  --log "$run/standin.log" &

echo "== Registering and starting OrderSrv.exe"
wine "$run/bin/OrderSrv.exe" /RegServer
wine "$run/bin/OrderSrv.exe" </dev/null >"$run/server.out" 2>&1 &

echo "== Host client"
status=0
timeout 180 wine "$run/bin/hostclient.exe" demo | tee "$run/transcript.txt" || status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || echo "   (the host client ended with exit code $status; 124: timed out)"

echo "== What the stand-in saw and wrote (its log)"
sed 's/^/   /' "$run/standin.log" 2>/dev/null || true

echo "== Screenshots of the running server's pages"
shots=$run/screenshots
requests=$run/shot-requests
timeout 60 wine "$run/bin/hostclient.exe" shots "$(winepath -w "$requests")" &
client=$!
shots_ok=1
while kill -0 "$client" 2>/dev/null; do
  if [ -f "$requests/request.txt" ]; then
    read -r name left top right bottom < <(tr -d "\r" <"$requests/request.txt")
    rm -f "$requests/request.txt"
    # The virtual desktop lies at the top left of the X screen.
    if xwd -root -display "$DISPLAY" -silent |
      ordersrv_magick xwd:- -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        "$shots/$name.png"; then
      echo "   $shots/$name.png"
    else
      shots_ok=0
    fi
    touch "$requests/done-$name"
  fi
  sleep 0.1
done
{ wait "$client" && [ "$shots_ok" = 1 ]; } || echo "   (some screenshots could not be taken)"
rm -rf "$requests"

echo "== Closing the server as a user would (Exit, Yes)"
timeout 30 wine "$run/bin/hostclient.exe" close || true
for _ in $(seq 50); do pgrep -f 'OrderSrv.exe' >/dev/null || break; sleep 0.2; done

echo
echo "Settings written on close: $run/bin/ORDERSRV.INI"
echo "Transcript: $run/transcript.txt   Stand-in log: $run/standin.log"
echo "Screenshots: $run/screenshots/"
[ "$status" -eq 0 ] && echo "DEMO OK: every order reached its expected final state." || echo "DEMO FAILED"
exit "$status"
