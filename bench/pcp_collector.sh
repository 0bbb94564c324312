#!/usr/bin/env bash
# pcp_collector.sh DIR ROOTFS -> starts a PCP collector for this computer, for a measurement only: pmcd with its
# root, proc and linux agents from the tree tests/infra/make-rootfs.sh builds (pcp is installed there, not on
# this computer), seeing this computer's processes, in a mount and network namespace of its own (no TCP port
# is opened here). Clients reach it as local: with PMCD_SOCKET=DIR/pmcd.socket. Prints pmcd's pid once it
# answers; end it with `kill PID` (its agents end with it).
set -euo pipefail
D=$(mkdir -p "$1" && cd "$1" && pwd)
bash "$(dirname "$0")/../tests/infra/make-rootfs.sh" "$2" >"$D/rootfs.log" 2>&1 || { cat "$D/rootfs.log" >&2; exit 1; }
R=$(cd "$2" && pwd)
rm -f "$D/pmcd.socket" "$D/pmcd.pid"
sh "$(dirname "$0")/../tests/infra/pcp-pmcd-conf.sh" >"$D/pmcd.conf"
printf '127.0.0.1 localhost\n127.0.1.1 %s\n' "$(hostname)" >"$D/hosts" # pmcd resolves its own name
unshare --mount --net sh -c '
  R=$1; D=$2
  mount -t proc proc "$R/proc"
  for m in run tmp var/lib/pcp/tmp; do mount -t tmpfs tmpfs "$R/$m"; done
  mount --bind "$D" "$R/mnt/up"; mount --bind "$D/hosts" "$R/etc/hosts"
  ip link set lo up
  exec chroot "$R" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin PMCD_SOCKET=/mnt/up/pmcd.socket sh -c "
    mkdir -p /run/pcp /var/lib/pcp/tmp && chown pcp:pcp /run/pcp /var/lib/pcp/tmp &&
    echo \$\$ >/mnt/up/pmcd.pid &&
    exec /usr/lib/pcp/bin/pmcd -f -s /mnt/up/pmcd.socket -c /mnt/up/pmcd.conf -l /mnt/up/pmcd.log"' \
  sh "$R" "$D" </dev/null >"$D/start.log" 2>&1 &
for _ in $(seq 200); do [ -S "$D/pmcd.socket" ] && [ -s "$D/pmcd.pid" ] && break; sleep 0.05; done
[ -S "$D/pmcd.socket" ] || { echo "pcp_collector.sh: pmcd did not start" >&2; cat "$D/start.log" "$D/pmcd.log" >&2 2>/dev/null; exit 1; }
cat "$D/pmcd.pid"
