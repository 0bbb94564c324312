#!/usr/bin/env bash
# The fleet window at scale. COUNT computers are one PCP collector (tests/infra/pcp-up.sh, in namespaces of
# its own) reached through COUNT local ports of two relays (bench/tcp_relay), each port a computer of its own
# (pcp://127.0.0.1:PORT); the last STALL ports are those of the second relay, which is frozen with SIGSTOP:
# the kernel still accepts connections there, and nothing answers, as with a frozen collector.
#   1. quorvin-fleet over all of them for WINDOW seconds after WARMUP: its processor time (the scheduler's
#      run time of its threads, in ms per second) and resident memory (median of one sample a second), beside
#      an empty Qt window's memory, and the collector's own processor time (pmcd and its agents).
#   2. bench/fleet_bench over the same list; the second relay is frozen as its window starts: the rows read
#      throughout and the longest gap between two readings of any of them, and the longest lateness of a
#      10 ms timer of the window's event loop.
#   bench/fleet.sh [-n COUNT] [-s STALL] [-w WARMUP_S] [-m WINDOW_S] [-B BUILD_DIR]   (defaults 200 20 15 30 build)
# Needs root, Xvfb, and quorvin-fleet, bench/empty_window, bench/fleet_bench and bench/tcp_relay built
# (./dev.sh fleet-bench builds them). Everything it starts is ended by pid on exit.
set -u
COUNT=200 STALL=20 WARMUP=15 WINDOW=30 BUILD=build
while getopts "n:s:w:m:B:h" option; do
    case $option in
    n) COUNT=$OPTARG ;;
    s) STALL=$OPTARG ;;
    w) WARMUP=$OPTARG ;;
    m) WINDOW=$OPTARG ;;
    B) BUILD=$OPTARG ;;
    *) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' && exit 2 ;;
    esac
done
die() {
    echo "fleet.sh: $*" >&2
    exit 2
}
for n in "$COUNT" "$STALL" "$WARMUP" "$WINDOW"; do [[ $n =~ ^[0-9]+$ ]] || die "counts and seconds are whole numbers"; done
[ "$STALL" -lt "$COUNT" ] || die "fewer stalled computers than computers"
HERE=$(cd "$(dirname "$0")/.." && pwd)
FLEET=$BUILD/quorvin-fleet EMPTY=$BUILD/bench/empty_window PROBE=$BUILD/bench/fleet_bench RELAY=$BUILD/bench/tcp_relay
for f in "$FLEET" "$EMPTY" "$PROBE" "$RELAY"; do [ -x "$f" ] || die "$f is not built (./dev.sh fleet-bench builds it)"; done
command -v Xvfb >/dev/null || die "Xvfb is not installed"
[ "$(id -u)" -eq 0 ] || die "the collector's namespaces need root"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/fleet-bench.XXXXXX")
OWNED=()
NAME=qvfbench SUBNET=198.18.143 FIRST_PORT=46000
cleanup() {
    trap - EXIT INT TERM HUP
    local p
    for p in "${OWNED[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
    bash "$HERE/tests/infra/pcp-down.sh" "$WORK/collector" >/dev/null 2>&1
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
log() { printf '[%s] %s\n' "$(date +%T)" "$*" >&2; }

# ---- the collector and the ports in front of it
PCP_PROCS="qvidle qvquiet" bash "$HERE/tests/infra/pcp-up.sh" "$WORK/collector" $NAME $SUBNET "$BUILD/infra/rootfs" ||
    die "no collector"
HEALTHY=$((COUNT - STALL))
"$RELAY" 127.0.0.1 $FIRST_PORT $HEALTHY $SUBNET.2 44321 >"$WORK/relay1.out" 2>&1 &
RELAY1=$!
OWNED+=($RELAY1)
"$RELAY" 127.0.0.1 $((FIRST_PORT + HEALTHY)) "$STALL" $SUBNET.2 44321 >"$WORK/relay2.out" 2>&1 &
RELAY2=$!
OWNED+=($RELAY2)
for _ in $(seq 100); do grep -q ready "$WORK/relay1.out" && grep -q ready "$WORK/relay2.out" && break; sleep 0.05; done
grep -q ready "$WORK/relay2.out" || die "the relays did not start: $(cat "$WORK"/relay*.out)"
for ((i = 0; i < COUNT; i++)); do echo "pcp://127.0.0.1:$((FIRST_PORT + i))"; done >"$WORK/list"
log "one collector under $COUNT names, $STALL of them behind the relay that will be frozen"

# ---- a display
Xvfb -displayfd 5 -nolisten tcp -screen 0 1600x1000x24 5>"$WORK/display" 2>"$WORK/xvfb.log" &
OWNED+=($!)
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || die "Xvfb did not start"
export DISPLAY=":$(head -1 "$WORK/display")" LANG=C.UTF-8 XDG_RUNTIME_DIR=$WORK

tree() { local p=$1; echo "$p"; for c in $(pgrep -P "$p"); do tree "$c"; done; }
TICKS=$(getconf CLK_TCK)
cpu_ns() { # PID...: the processor time of them and their children, in ns
    # From stat, which counts the threads that ended too (the pool retires idle workers; the run time of the
    # live threads would lose theirs), in ticks: a tick in a window of 30 s is a third of a ms a second.
    local p t v ticks=0
    for p in "$@"; do
        for t in $(tree "$p"); do
            v=$(sed 's/^.*) //' "/proc/$t/stat" 2>/dev/null | awk '{ print $12 + $13 }')
            ticks=$((ticks + ${v:-0}))
        done
    done
    echo $((ticks * 1000000000 / TICKS))
}
resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
measure() { # NAME PID: processor time and median resident memory over the window; sets CPU, RSS
    local name=$1 pid=$2 t0 t1 s0 s1 samples=()
    local collector
    collector=$(cat "$WORK/collector/pmcd.host-pid")
    s0=$(date +%s%N) t0=$(cpu_ns "$pid") c0=$(cpu_ns "$collector")
    for ((i = 0; i < WINDOW; i++)); do
        sleep 1
        samples+=("$(resident_kb "$pid")")
    done
    s1=$(date +%s%N) t1=$(cpu_ns "$pid") c1=$(cpu_ns "$collector")
    CPU=$(awk -v a="$t0" -v b="$t1" -v s="$((s1 - s0))" 'BEGIN { printf "%.1f", (b - a) / 1e6 / (s / 1e9) }')
    COLLECTOR_CPU=$(awk -v a="$c0" -v b="$c1" -v s="$((s1 - s0))" 'BEGIN { printf "%.1f", (b - a) / 1e6 / (s / 1e9) }')
    RSS=$(printf '%s\n' "${samples[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')
    log "$name: $CPU ms/s, $RSS MiB resident (collector $COLLECTOR_CPU ms/s)"
}

# ---- 1. processor time and memory
"$EMPTY" >/dev/null 2>&1 &
EMPTY_PID=$!
OWNED+=($EMPTY_PID)
sleep 3
EMPTY_RSS=$(resident_kb $EMPTY_PID | awk '{ printf "%.1f", $1 / 1024 }')
kill $EMPTY_PID
log "empty Qt window: $EMPTY_RSS MiB resident"
"$FLEET" --file "$WORK/list" >"$WORK/fleet.log" 2>&1 &
FLEET_PID=$!
OWNED+=($FLEET_PID)
sleep "$WARMUP"
kill -0 $FLEET_PID 2>/dev/null || die "quorvin-fleet ended: $(tail -3 "$WORK/fleet.log")"
measure quorvin-fleet $FLEET_PID
FLEET_CPU=$CPU FLEET_RSS=$RSS FLEET_COLLECTOR=$COLLECTOR_CPU THREADS=$(ls /proc/$FLEET_PID/task | wc -l)
kill $FLEET_PID
wait $FLEET_PID 2>/dev/null

# ---- 2. a stall
"$PROBE" "$WORK/list" "$WARMUP" "$WINDOW" >"$WORK/probe.out" 2>"$WORK/probe.err" &
PROBE_PID=$!
OWNED+=($PROBE_PID)
for _ in $(seq $((WARMUP * 10 + 100))); do grep -q measuring "$WORK/probe.out" && break; sleep 0.1; done
grep -q measuring "$WORK/probe.out" || die "fleet_bench did not start: $(tail -3 "$WORK/probe.err")"
kill -STOP $RELAY2
log "the relay of $STALL computers is frozen"
sleep $((WINDOW / 2))
STALLED_THREADS=$(ls /proc/$PROBE_PID/task 2>/dev/null | wc -l)
wait $PROBE_PID
kill -CONT $RELAY2

echo
echo "$(nproc) processors, Linux $(uname -r); $COUNT computers (one collector, $COUNT ports), warm-up ${WARMUP}s, window ${WINDOW}s"
echo "quorvin-fleet: $FLEET_CPU ms/s of processor time, $FLEET_RSS MiB resident, $(awk -v a="$FLEET_RSS" -v b="$EMPTY_RSS" 'BEGIN { printf "%.1f", a - b }') MiB above an empty Qt window ($EMPTY_RSS MiB), $THREADS threads"
echo "the collector meanwhile (pmcd and its agents): $FLEET_COLLECTOR ms/s"
echo "with $STALL of them frozen: $(grep rows "$WORK/probe.out"); $STALLED_THREADS threads halfway"
