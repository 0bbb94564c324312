#!/usr/bin/env bash
# Shows quorvin-fleet under a headless X server over a small fleet and saves what it shows.
#   tools/fleet-screenshot.sh OUT.png [BUILD_DIR]
# The fleet: this computer; two PCP collectors in namespaces of their own (tests/infra/pcp-up.sh), the second
# refusing per-process values; the first once more through a relay that is frozen before the picture; a name
# that does not resolve and an address where nothing listens. Needs root, Xvfb, ImageMagick's import,
# xwininfo, and quorvin-fleet and bench/tcp_relay built. Everything it starts is ended by PID on exit.
set -u
OUT=${1:?output file} BUILD=${2:-build}
HERE=$(cd "$(dirname "$0")/.." && pwd)
FLEET=$BUILD/quorvin-fleet RELAY=$BUILD/bench/tcp_relay
for f in "$FLEET" "$RELAY"; do [ -x "$f" ] || { echo "fleet-screenshot.sh: $f is not built" >&2; exit 2; }; done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/fleet-shot.XXXXXX")
OWNED=()
cleanup() {
    local p
    for p in "${OWNED[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
    bash "$HERE/tests/infra/pcp-down.sh" "$WORK/c1" >/dev/null 2>&1
    bash "$HERE/tests/infra/pcp-down.sh" "$WORK/c2" >/dev/null 2>&1
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

PCP_PROCS="postgres nginx" bash "$HERE/tests/infra/pcp-up.sh" "$WORK/c1" qvshot1 198.18.150 "$BUILD/infra/rootfs" || exit 1
PCP_REFUSE_PROC=1 bash "$HERE/tests/infra/pcp-up.sh" "$WORK/c2" qvshot2 198.18.151 "$BUILD/infra/rootfs" || exit 1
"$RELAY" 127.0.0.1 46600 1 198.18.150.2 44321 >"$WORK/relay.out" 2>&1 &
RELAY_PID=$!
OWNED+=($RELAY_PID)
for _ in $(seq 100); do grep -q ready "$WORK/relay.out" && break; sleep 0.05; done
printf '%s\n' "# the team's computers" localhost pcp://198.18.150.2 pcp://198.18.151.2 pcp://127.0.0.1:46600 \
    pcp://db9.invalid pcp://198.18.150.99 >"$WORK/fleet"

Xvfb -displayfd 5 -nolisten tcp -screen 0 1920x1080x24 5>"$WORK/display" 2>"$WORK/xvfb.log" &
OWNED+=($!)
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$WORK/display")" LANG=C.UTF-8 XDG_RUNTIME_DIR=$WORK
"$FLEET" --file "$WORK/fleet" >"$WORK/fleet.log" 2>&1 &
OWNED+=($!)
sleep 20
kill -STOP $RELAY_PID # the third collector stops answering
sleep 8
geometry=$(xwininfo -root -children | awk '/\("quorvin-fleet"/ { print $(NF - 1); exit }')
import -window root ${geometry:+-crop "$geometry"} "$OUT"
echo "$OUT"
