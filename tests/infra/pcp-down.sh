#!/usr/bin/env bash
# pcp-down.sh DIR  -> stops what pcp-up.sh DIR started: its recorded PIDs only (a stalled pmcd is resumed
# first), then its network namespace and veth. PID 1 of the collector's namespace exits on SIGTERM; the
# kernel then ends every process left in that namespace.
D=$1; ns=$(cat "$D/netns" 2>/dev/null)
[ -f "$D/pmcd.host-pid" ] && kill -CONT "$(cat "$D/pmcd.host-pid")" 2>/dev/null
alive() { local s; s=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${s:0:1}" != Z ]; } # zombies count as gone
pids=()
for f in "$D"/*.pid; do
  [ -f "$f" ] || continue; p=$(cat "$f"); rm -f "$f"
  pids+=("$p" $(ps -o pid= --ppid "$p" 2>/dev/null)) # unshare --fork ignores SIGTERM: its child is signalled
done
[ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
for _ in $(seq 40); do left=(); for p in "${pids[@]}"; do alive "$p" && left+=("$p"); done; [ ${#left[@]} -eq 0 ] && break; sleep 0.05; done
[ ${#left[@]} -gt 0 ] && kill -KILL "${left[@]}" 2>/dev/null
[ -n "$ns" ] && { ip netns del "$ns" 2>/dev/null; ip link del "p_$ns" 2>/dev/null; }
rm -f "$D/netns" "$D/ready" "$D/init.host-pid" "$D/pmcd.host-pid"
true
