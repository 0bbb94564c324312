#!/usr/bin/env bash
# The whole program beside the monitors a user would pick instead, measured in turn on this machine:
# Quorvin under Xvfb on its Process Details page refreshing every second (txtupdt 0), btop and top in tmux with
# their one-second refresh, and an empty Qt window as the memory baseline, with IDLE extra idle processes.
# Prints one table: processor time (the scheduler's run time of the program and its children over the window, in
# ms per second of wall time: 10 ms/s is 1 % of one core), resident memory (median of one sample a second) and
# the kernel memory of the proc files the program holds open at the end of the window (a page each once read).
#   bench/side_by_side.sh [-n IDLE] [-r REPEATS] [-w WARMUP_S] [-m WINDOW_S] [-B BUILD_DIR] [-s SHOT_DIR] [-t] [-p] [-q]
#   defaults: -n 300 -r 2 -w 12 -m 20 -B build; -s saves what Quorvin showed (needs imagemagick); -t runs the
#   programs together over one window instead of one after another (steadier ratios on a shared machine); -p
#   compares, together, Quorvin reading this computer directly with Quorvin reading it through a PCP collector
#   started here for the run (pcp://local:, bench/pcp_collector.sh), whose own time (pmcd and its agents) counts
#   with it; -q measures Quorvin alone (two builds compared in turn, each with its own -B)
# Needs Xvfb, xdotool, tmux, btop, top and pgrep (procps), and quorvin, bench/empty_window and
# bench/idle_processes built in BUILD_DIR: `./dev.sh compare` installs and builds them first.
# Every process it starts is ended by pid on exit, and the whole run is bounded in time.
set -u

IDLE=300 REPEATS=2 WARMUP=12 WINDOW=20 BUILD=build SHOTS="" TOGETHER="" PCP="" PCP_PID="" ALONE=""
die() {
    echo "side_by_side.sh: $*" >&2
    exit 2
}
while getopts "n:r:w:m:B:s:tpqh" option; do
    case $option in
    n) IDLE=$OPTARG ;;
    r) REPEATS=$OPTARG ;;
    w) WARMUP=$OPTARG ;;
    m) WINDOW=$OPTARG ;;
    B) BUILD=$OPTARG ;;
    s) SHOTS=$OPTARG ;;
    t) TOGETHER=1 ;;
    p) PCP=1 ;;
    q) ALONE=1 ;;
    *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' && exit 2 ;;
    esac
done
for n in "$IDLE" "$REPEATS" "$WARMUP" "$WINDOW"; do
    [[ $n =~ ^[0-9]+$ ]] || die "counts and seconds are whole numbers"
done
[ "$REPEATS" -ge 1 ] && [ "$WINDOW" -ge 1 ] || die "at least one repeat and a window of a second"
QUORVIN=$BUILD/quorvin EMPTY=$BUILD/bench/empty_window IDLER=$BUILD/bench/idle_processes
for f in "$QUORVIN" "$EMPTY" "$IDLER"; do [ -x "$f" ] || die "$f is not built (./dev.sh compare builds it)"; done
for t in Xvfb xdotool tmux btop top pgrep; do command -v $t >/dev/null || die "$t is not installed"; done

# Everything started here carries a tag of this run in its environment, so that a pid is signalled only while
# it is still one of ours.
export SIDE_BY_SIDE_TAG="side-by-side-$$-$RANDOM$RANDOM" LANG=C.UTF-8 LC_ALL=C.UTF-8
WORK=$(mktemp -d "${TMPDIR:-/tmp}/side-by-side.XXXXXX")
RESULTS=$WORK/results
: >"$RESULTS"
OWNED=()
SOCKETS=()
# Start-up, the idle processes (forked at several thousand a second) and every measurement, with slack.
MAX_S=$((60 + IDLE / 500 + REPEATS * 4 * (WARMUP + WINDOW + 25)))
TICKS=$(getconf CLK_TCK)
# Every program gets the descriptor limits of a stock Debian session (systemd sets soft 1024, hard 524288) where
# this shell may raise them; some containers set a lower hard limit, which caps how many files a monitor keeps.
ulimit -Hn 524288 2>/dev/null && ulimit -Sn 1024 2>/dev/null

log() { printf '[%s] %s\n' "$(date +%T)" "$*" >&2; }
ours() { grep -qzx "SIDE_BY_SIDE_TAG=$SIDE_BY_SIDE_TAG" "/proc/$1/environ" 2>/dev/null; }
alive() { [ -e "/proc/$1" ] && ! grep -q '^State:.*[ZX]' "/proc/$1/status" 2>/dev/null; }
stop_pid() { # PID [GRACE_S]: TERM, then KILL after the grace, only while it is ours
    local pid=$1 grace=${2:-3} i
    [ -n "$pid" ] && [ "$pid" != $$ ] && alive "$pid" && ours "$pid" || return 0
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < grace * 10; i++)); do
        alive "$pid" || return 0
        sleep 0.1
    done
    ours "$pid" && kill -KILL "$pid" 2>/dev/null
}
cleanup() {
    trap - EXIT INT TERM HUP
    local p s
    for s in "${SOCKETS[@]}"; do tmux -S "$s" kill-server 2>/dev/null; done
    [ -n "$PCP_PID" ] && kill "$PCP_PID" 2>/dev/null # started without our tag: ended by its pid
    for p in "${OWNED[@]}"; do stop_pid "$p" 3; done
    # Whatever is left with our tag: tmux panes, idle children of a helper that did not end them.
    for p in $(grep -lzx "SIDE_BY_SIDE_TAG=$SIDE_BY_SIDE_TAG" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
        [ "$p" != $$ ] && [ "$p" != "$BASHPID" ] && kill -KILL "$p" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'log "interrupted"; exit 130' INT TERM HUP

(
    exec 3>&2 2>/dev/null
    sleep "$MAX_S" && echo "side_by_side.sh: time limit of ${MAX_S}s reached, stopping" >&3 && kill -TERM $$
) &
OWNED+=($!)
log "run bounded to ${MAX_S}s"

nprocs() {
    local n=0 d
    for d in /proc/[0-9]*; do n=$((n + 1)); done
    echo $n
}

# ---- the idle processes
BEFORE=$(nprocs)
"$IDLER" "$IDLE" "$MAX_S" >"$WORK/idle.out" 2>"$WORK/idle.err" &
OWNED+=($!)
for ((i = 0; i < 600; i++)); do
    grep -q '^ready' "$WORK/idle.out" && break
    sleep 0.1
done
grep -q '^ready' "$WORK/idle.out" || die "the idle processes did not start ($(cat "$WORK/idle.err"))"
AFTER=$(nprocs)
log "processes: $BEFORE before, $AFTER with $(cut -d' ' -f2 "$WORK/idle.out") idle ones"

# ---- a display
Xvfb -displayfd 5 -nolisten tcp -screen 0 1280x1024x24 5>"$WORK/display" 2>"$WORK/xvfb.log" &
OWNED+=($!)
for ((i = 0; i < 100; i++)); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
[ -s "$WORK/display" ] || die "Xvfb did not start ($(cat "$WORK/xvfb.log"))"
export DISPLAY=":$(head -1 "$WORK/display")"
mkdir -m 700 "$WORK/run"

# ---- a PCP collector for this computer (-p)
if [ -n "$PCP" ]; then
    PCP_PID=$(bash "$(dirname "$0")/pcp_collector.sh" "$WORK/pcp" "$BUILD/infra/rootfs") || die "no PCP collector"
    log "PCP collector: pmcd $PCP_PID"
fi

# ---- one measurement
tree() { # ROOT: the pid and its descendants
    local queue=("$1") p
    while [ ${#queue[@]} -gt 0 ]; do
        p=${queue[0]}
        queue=("${queue[@]:1}")
        echo "$p"
        queue+=($(pgrep -P "$p"))
    done
}
cpu_ns() { # ROOT: processor time in ns of the live threads of it and its children, and of the children it reaped
    # The schedulers' own count is exact to the nanosecond; the ticks of stat would make a 20 s window of a few
    # ms a second uncertain by a tenth. Only reaped children are known in ticks.
    local root=$1 tasks=() p
    for p in $(tree "$root"); do tasks+=(/proc/"$p"/task/*/schedstat); done
    local live reaped
    live=$(cat "${tasks[@]}" 2>/dev/null | awk '{ ns += $1 } END { printf "%.0f", ns }')
    reaped=$(sed 's/^.*) //' "/proc/$root/stat" 2>/dev/null | awk '{ print $14 + $15 }')
    echo $((live + ${reaped:-0} * 1000000000 / TICKS))
}
resident_kb() { # ROOT: VmRSS of it and its children
    local files=() p
    for p in $(tree "$1"); do files+=("/proc/$p/status"); done
    awk '/^VmRSS:/ { kb += $2 } END { print kb + 0 }' "${files[@]}" 2>/dev/null
}
PAGE_KB=$(($(getconf PAGESIZE) / 1024))
proc_buffers_kb() { # ROOT: the seq buffers of the proc files it and its children hold open
    local p n=0
    for p in $(tree "$1"); do
        n=$((n + $(find "/proc/$p/fd" -mindepth 1 -maxdepth 1 -printf '%l\n' 2>/dev/null |
            grep -cE '^/proc/[0-9]+/(task/[0-9]+/)?(stat|statm|status|schedstat|io|cmdline|smaps_rollup)$')))
    done
    echo $((n * PAGE_KB))
}
home_for() { # NAME REP: a fresh home with a one-second refresh where the program keeps its settings
    local home=$WORK/home-$1-$2
    mkdir -p "$home/.config/btop"
    printf 'update_ms = 1000\n' >"$home/.config/btop/btop.conf"
    echo "$home"
}
in_tmux() { # NAME REP COMMAND...: starts it in a tmux pane of its own; sets ROOT
    local name=$1 rep=$2 home socket q
    shift 2
    home=$(home_for "$name" "$rep")
    socket=$WORK/tmux-$name-$rep
    printf -v q '%q ' "$@"
    tmux -S "$socket" -f /dev/null new-session -d -x 200 -y 50 \
        "exec env HOME=$(printf %q "$home") XDG_CONFIG_HOME=$(printf %q "$home/.config") $q" || return 1
    SOCKETS+=("$socket")
    OWNED+=($(tmux -S "$socket" display -p '#{pid}'))
    ROOT=$(tmux -S "$socket" display -p '#{pane_pid}')
    SOCKET=$socket
}
on_display() { # NAME REP COMMAND...: starts it under Xvfb; sets ROOT
    local name=$1 rep=$2 home
    shift 2
    home=$(home_for "$name" "$rep")
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$WORK/run" "$@" \
        >"$WORK/$name-$rep.log" 2>&1 &
    ROOT=$!
    OWNED+=($ROOT)
}
# Process Details refreshes every second when its interval box holds 0: typed into the box as a user would.
# The box stands at twips (9120, 5280), 495 x 315, in a form 10020 twips wide.
refresh_every_second() { # PID
    local window="" width x y i
    for ((i = 0; i < 100 && ${#window} == 0; i++)); do
        window=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | tail -1)
        [ -n "$window" ] || sleep 0.1
    done
    [ -n "$window" ] || return 1
    width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
    x=$(((9120 + 495 / 2) * width / 10020))
    y=$(((5280 + 315 / 2) * width / 10020))
    xdotool mousemove --window "$window" "$x" "$y" click 1 sleep 0.3 key ctrl+a BackSpace type 0
}
start_program() { # NAME REP: starts it; sets ROOT (empty when it did not start) and SOCKET, STATUS
    local name=$1 rep=$2
    ROOT="" SOCKET="" STATUS=ok
    case $name in
    quorvin)
        on_display quorvin "$rep" "$QUORVIN" /c: /t:3
        sleep 2
        refresh_every_second "$ROOT" || STATUS=no-window
        ;;
    quorvin-pcp)
        on_display quorvin-pcp "$rep" env PMCD_SOCKET="$WORK/pcp/pmcd.socket" "$QUORVIN" /c:pcp://local: /t:3
        sleep 2
        refresh_every_second "$ROOT" || STATUS=no-window
        ;;
    pcp-collector) ROOT=$PCP_PID ;; # measured, never started or stopped here
    btop) in_tmux btop "$rep" btop ;;
    top) in_tmux top "$rep" top -d 1 ;;
    empty-qt-window) on_display empty "$rep" "$EMPTY" ;;
    esac
    if [ -z "$ROOT" ] || ! alive "$ROOT"; then
        echo "$name $rep - - - no-start" >>"$RESULTS"
        ROOT=""
    fi
}
stop_program() { # ROOT SOCKET
    [ -n "$2" ] && tmux -S "$2" kill-server 2>/dev/null
    stop_pid "$1" 3
}
# Measures the programs NAME... of one repeat over one window: one at a time, or all at once (-t), so that
# the machine's drift over minutes weighs on all of them alike.
measure() { # REP NAME...
    local rep=$1 names=() roots=() sockets=() statuses=() t0=() t1=() samples=() i k s0 s1
    shift
    for name in "$@"; do
        start_program "$name" "$rep"
        [ -n "$ROOT" ] || continue
        names+=("$name") roots+=("$ROOT") sockets+=("$SOCKET") statuses+=("$STATUS")
    done
    [ ${#roots[@]} -gt 0 ] || return 0
    sleep "$WARMUP"
    if [ -n "$SHOTS" ] && command -v import >/dev/null && [[ " ${names[*]} " == *" quorvin "* ]]; then
        mkdir -p "$SHOTS" && import -window root "$SHOTS/quorvin-$IDLE-$rep.png" 2>/dev/null
    fi
    s0=$(date +%s%N)
    for k in "${!roots[@]}"; do t0[k]=$(cpu_ns "${roots[k]}"); done
    for ((i = 0; i < WINDOW; i++)); do
        sleep 1
        for k in "${!roots[@]}"; do samples[k]+=" $(resident_kb "${roots[k]}")"; done
    done
    for k in "${!roots[@]}"; do t1[k]=$(cpu_ns "${roots[k]}"); done
    s1=$(date +%s%N)
    for k in "${!roots[@]}"; do
        if ! alive "${roots[k]}"; then
            statuses[k]=ended
            log "${names[k]} ended: $(tail -1 "$WORK/${names[k]%-qt-window}-$rep.log" 2>/dev/null)"
        elif [[ ${names[k]} == quorvin* ]] && [ "$(xdotool search --onlyvisible --pid "${roots[k]}" | wc -l)" -gt 1 ]; then
            statuses[k]=message-box # a refresh that fails stops at its message until it is answered
        fi
        printf '%s\n' ${samples[k]} | sort -n | awk -v name="${names[k]}" -v rep="$rep" -v status="${statuses[k]}" \
            -v cpu="$((t1[k] - t0[k]))" -v ns="$((s1 - s0))" -v kbuf="$(proc_buffers_kb "${roots[k]}")" \
            '{ kb[NR] = $1 } END { printf "%s %s %.1f %.1f %.1f %s\n", name, rep, cpu / 1e6 / (ns / 1e9), kb[int((NR + 1) / 2)] / 1024, kbuf / 1024, status }' \
            >>"$RESULTS"
        log "$(tail -1 "$RESULTS")"
        [ "${names[k]}" = pcp-collector ] || stop_program "${roots[k]}" "${sockets[k]}"
    done
}

PROGRAMS=(quorvin btop top empty-qt-window)
for ((rep = 1; rep <= REPEATS; rep++)); do
    if [ -n "$ALONE" ]; then
        measure "$rep" quorvin
    elif [ -n "$PCP" ]; then
        measure "$rep" pcp-collector quorvin quorvin-pcp
    elif [ -n "$TOGETHER" ]; then
        # Quorvin last, above the empty window: a covered window would not paint.
        measure "$rep" empty-qt-window btop top quorvin
    else
        for name in "${PROGRAMS[@]}"; do measure "$rep" "$name"; done
    fi
done

echo
echo "$(nproc) processors, Linux $(uname -r); processes: $BEFORE before, $AFTER with $IDLE idle ones"
echo "warm-up ${WARMUP}s, window ${WINDOW}s, ${REPEATS} repeats; processor time in ms per second (10 = 1 % of a core)"
awk '
    BEGIN { printf "%-16s %4s %9s %8s %8s %s\n", "program", "rep", "cpu_ms/s", "rss_MiB", "kbuf_MiB", "status" }
    { printf "%-16s %4s %9s %8s %8s %s\n", $1, $2, $3, $4, $5, $6 }
    # A program that ended or stopped at a message early was not measured over the whole window.
    $6 == "ok" { cpu[$1] += $3; rss[$1] += $4; kbuf[$1] += $5; n[$1]++ }
    END {
        if (n["quorvin"] && n["btop"] && cpu["btop"] > 0)
            printf "quorvin / btop processor time: %.2f (goal at most 0.5)\n", cpu["quorvin"] / cpu["btop"]
        if (n["quorvin"] && n["quorvin-pcp"] && n["pcp-collector"] && cpu["quorvin"] > 0)
            printf "through pcp://local:, collector included / directly: %.2f (%.1f + %.1f against %.1f ms/s)\n",
                (cpu["quorvin-pcp"] + cpu["pcp-collector"]) / cpu["quorvin"], cpu["quorvin-pcp"] / n["quorvin-pcp"],
                cpu["pcp-collector"] / n["pcp-collector"], cpu["quorvin"] / n["quorvin"]
        if (n["quorvin"] && n["empty-qt-window"])
            printf "quorvin resident above an empty Qt window: %.1f MiB, and %.1f MiB of proc file buffers in the kernel\n",
                rss["quorvin"] / n["quorvin"] - rss["empty-qt-window"] / n["empty-qt-window"], kbuf["quorvin"] / n["quorvin"]
    }' "$RESULTS"
