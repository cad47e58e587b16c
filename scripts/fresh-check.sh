#!/usr/bin/env bash
# Proves the README's two commands on a brand-new minimal Debian, as a new user would meet them:
# a minbase chroot (debootstrap), then git and ca-certificates only, a `git clone` of this
# repository's committed main, `bash scripts/demo.sh`, `bash scripts/test.sh`, nothing by hand.
#   bash scripts/fresh-check.sh bookworm|trixie [WORKDIR] [DISPLAY]
# WORKDIR (default /var/tmp/ordersrv-fresh) keeps the chroot and the log; DISPLAY (default :90)
# lets two checks run side by side (X servers of one machine share their abstract sockets).
# Needs root. Prints the time of each command; the log is WORKDIR/<release>.log.
set -euo pipefail
release=${1:?bookworm or trixie}
work=${2:-/var/tmp/ordersrv-fresh}
display=${3:-:90}
repo=$(cd "$(dirname "$0")/.." && pwd)
root=$work/$release
log=$work/$release.log
mkdir -p "$work"

[ -x "$root/bin/bash" ] || debootstrap --variant=minbase "$release" "$root" http://deb.debian.org/debian
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/src"

mounted=()
bind() { mkdir -p "$root$2"; mount "${@:3}" --bind "$1" "$root$2"; mounted=("$root$2" "${mounted[@]}"); }
cleanup() { for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null || true; done; }
trap cleanup EXIT
mount -t proc proc "$root/proc"; mounted=("$root/proc")
bind /sys /sys
bind /dev /dev
bind /dev/pts /dev/pts
bind /dev/shm /dev/shm
bind "$repo" /src/main -o ro

chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  DISPLAY="$display" CI=true bash -c '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null
  rm -rf /root/main && git clone -q /src/main /root/main && cd /root/main
  echo "fresh-check: $(. /etc/os-release; echo "$PRETTY_NAME"), commit $(git rev-parse --short HEAD)"
  start=$SECONDS; bash scripts/demo.sh </dev/null; echo "fresh-check: demo $((SECONDS - start)) s"
  start=$SECONDS; bash scripts/test.sh </dev/null; echo "fresh-check: tests $((SECONDS - start)) s"
' 2>&1 | tee "$log"
