#!/usr/bin/env bash
# pcp-ctl.sh DIR run CMD...          runs CMD in the collector of pcp-up.sh DIR (its namespaces and tree),
#                                    e.g. pcp-ctl.sh DIR run pminfo -f kernel.uname.release
# pcp-ctl.sh DIR archive PATH SECS   writes a pmlogger archive of SECS seconds, a sample a second, of the
#                                    metrics Quorvin reads, as PATH.0 PATH.index PATH.meta (PATH's folder exists)
# pcp-ctl.sh DIR stall | resume      SIGSTOP / SIGCONT pmcd: the kernel still accepts connections, nothing answers
set -euo pipefail
D=$(cd "$1" && pwd); cmd=$2; shift 2
inside() { nsenter -t "$(cat "$D/init.host-pid")" -m -u -i -n -p -r -w env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    PMCD_SOCKET=/mnt/up/pmcd.socket ${TZ:+TZ=$TZ} "$@"; }
case $cmd in
  run) inside "$@" ;;
  stall) kill -STOP "$(cat "$D/pmcd.host-pid")" ;;
  resume) kill -CONT "$(cat "$D/pmcd.host-pid")" ;;
  archive)
    out=$1; secs=$2; a=arch.$$
    cat >"$D/$a.conf" <<'CFG'
log mandatory on 1 sec {
  kernel.all.cpu kernel.percpu.cpu hinv.ncpu hinv.cpu.model_name mem.util.available swap.free kernel.all.boottime
  kernel.uname proc.nprocs network.interface.in network.interface.out network.interface.speed
  proc.psinfo.cmd proc.psinfo.utime proc.psinfo.stime proc.psinfo.start_time proc.psinfo.threads
  proc.memory.rss proc.memory.share proc.memory.vmswap proc.fd.count
}
CFG
    mkdir -p "$D/$a"; chmod 777 "$D/$a" # pmlogger may run as the user pcp
    # Ended by the count of samples (SECS + 1 span SECS seconds), not by the clock, so that a busy machine
    # makes the same archive; the time limit only bounds a pmlogger that never gets its samples.
    inside pmlogger -c "/mnt/up/$a.conf" -s "$((secs + 1))" -T "$((secs * 10))sec" -h local: -l "/mnt/up/$a.log" \
        "/mnt/up/$a/a"
    for f in "$D/$a"/a.*; do mv "$f" "$out.${f##*/a.}"; done
    rm -rf "${D:?}/$a" "$D/$a.conf" ;;
  *) echo "usage: pcp-ctl.sh DIR run CMD... | archive PATH SECS | stall | resume" >&2; exit 2 ;;
esac
