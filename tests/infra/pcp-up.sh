#!/usr/bin/env bash
# pcp-up.sh DIR NAME SUBNET ROOTFS   e.g. pcp-up.sh build/tests/pcp/qvpcp1 qvpcp1 198.18.124 build/infra/rootfs
# A Performance Co-Pilot collector for the tests: pmcd with its root, pmcd, proc and linux agents, run from the
# tree that make-rootfs.sh builds (pcp is installed there; built first if need be), in network namespace NAME
# with PID, mount and UTS namespaces of its own (host name NAME). veth: this side SUBNET.1, the collector
# SUBNET.2 (port 44321), and through its Unix socket DIR/pmcd.socket as local: (PMCD_SOCKET). It sees only
# its own processes: sh, pmcd, its agents and PCP_PROCS ("a b": idle processes of those names); DIR/procs
# lists them as "PID NAME", the PIDs as the collector reports them.
# PCP_REFUSE_PROC=1: per-process values are refused to TCP clients (local: still gets them).
# Then pcp-ctl.sh DIR ...; stop with pcp-down.sh DIR (recorded PIDs only, then the namespace).
set -euo pipefail
D=$(mkdir -p "$1" && cd "$1" && pwd); NAME=$2; N=$3
bash "$(dirname "$0")/make-rootfs.sh" "$4" >"$D/rootfs.log" 2>&1 || { cat "$D/rootfs.log" >&2; exit 1; }
ROOT=$(cd "$4" && pwd)
rm -f "$D"/*.pid "$D/ready" "$D/procs" "$D/pmcd.socket" # pmcd does not bind over a stale socket
# TEST-ONLY: pmdaproc -A gives every process's values to unauthenticated TCP clients. Never ship it.
sh "$(dirname "$0")/pcp-pmcd-conf.sh" "$([ "${PCP_REFUSE_PROC:-0}" = 1 ] || echo -A)" >"$D/pmcd.conf"
{ cat /etc/hosts; echo "$N.2 $NAME"; } >"$D/hosts"
printf '127.0.0.1 localhost\n%s.2 %s\n' "$N" "$NAME" >"$D/hosts.inner"
# PID 1 of the collector's namespace: pmcd in the foreground, the idle processes, then it waits for pmcd. On
# SIGTERM it exits, and the kernel ends everything else in the namespace.
cat >"$D/init.sh" <<'INIT'
trap 'exit 0' TERM INT
mkdir -p /run/pcp /var/lib/pcp/tmp; chown pcp:pcp /run/pcp /var/lib/pcp/tmp
# Its Unix socket is in DIR, where clients on this side reach it as local: (PMCD_SOCKET=DIR/pmcd.socket).
export PMCD_SOCKET=/mnt/up/pmcd.socket
/usr/lib/pcp/bin/pmcd -f -A -s "$PMCD_SOCKET" -c /mnt/up/pmcd.conf -l /mnt/up/pmcd.log & pmcd=$!
for n in ${PCP_PROCS:-}; do cp /bin/sleep "/tmp/$n"; "/tmp/$n" infinity </dev/null >/dev/null 2>&1 & echo "$! $n" >>/mnt/up/procs; done
/usr/lib/pcp/bin/pmcd_wait -h local: -t 20s && touch /mnt/up/ready
wait "$pmcd"
INIT
ip netns del "$NAME" 2>/dev/null || true # left over from a run that was killed
ip link del "p_$NAME" 2>/dev/null || true
ip netns add "$NAME"
ip link add "p_$NAME" type veth peer name "p_${NAME}_r" # names of at most 15 characters
ip link set "p_${NAME}_r" netns "$NAME"
ip addr add "$N.1/24" dev "p_$NAME"; ip link set "p_$NAME" up
ip -n "$NAME" addr add "$N.2/24" dev "p_${NAME}_r"; ip -n "$NAME" link set "p_${NAME}_r" up
ip -n "$NAME" link set lo up
echo "$NAME" >"$D/netns"
# The collector's own /run, /tmp, /var/lib/pcp/tmp, /sys (this namespace's interfaces) and /etc/hosts; DIR is
# /mnt/up inside. The mounts are private to the namespace: the shared tree is not changed.
ip netns exec "$NAME" unshare --mount --pid --uts --ipc --fork --kill-child --mount-proc="$ROOT/proc" sh -c '
  R=$1; D=$2; hostname "$3"
  for m in run tmp var/lib/pcp/tmp; do mount -t tmpfs tmpfs "$R/$m"; done
  mount -t sysfs sysfs "$R/sys"; mount --bind "$D" "$R/mnt/up"; mount --bind "$D/hosts.inner" "$R/etc/hosts"
  exec chroot "$R" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin PCP_PROCS="$4" ${TZ:+TZ=$TZ} /bin/sh /mnt/up/init.sh' \
  sh "$ROOT" "$D" "$NAME" "${PCP_PROCS:-}" >"$D/init.log" 2>&1 </dev/null &
echo $! >"$D/unshare.pid"
for _ in $(seq 400); do
  [ -e "$D/ready" ] && break
  kill -0 "$(cat "$D/unshare.pid")" 2>/dev/null || break
  sleep 0.05
done
[ -e "$D/ready" ] || { echo "pcp-up: pmcd did not come up" >&2; cat "$D/init.log" "$D/pmcd.log" >&2 2>/dev/null; exit 1; }
init=$(ps -o pid= --ppid "$(cat "$D/unshare.pid")" | tr -d ' ')
echo "$init" >"$D/init.host-pid"                                              # for nsenter (pcp-ctl.sh)
ps -o pid=,comm= --ppid "$init" | awk '$2 == "pmcd" {print $1}' >"$D/pmcd.host-pid" # for SIGSTOP and SIGCONT
