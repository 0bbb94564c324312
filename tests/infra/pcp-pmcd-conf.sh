#!/bin/sh
# pcp-pmcd-conf.sh [PROC_OPTIONS] -> a pmcd.conf with the root, pmcd, proc and linux agents, for the collectors
# the tests and the benchmark start. PROC_OPTIONS go to pmdaproc: "-A" gives every process's values to
# unauthenticated TCP clients (TEST-ONLY: never ship it).
cat <<CONF
root	1	pipe	binary		/var/lib/pcp/pmdas/root/pmdaroot
pmcd	2	dso	pmcd_init	/var/lib/pcp/pmdas/pmcd/pmda_pmcd.so
proc	3	pipe	binary		/var/lib/pcp/pmdas/proc/pmdaproc -d 3 ${1:-}
linux	60	pipe	binary		/var/lib/pcp/pmdas/linux/pmdalinux
[access]
disallow ".*" : store;
disallow ":*" : store;
allow "local:*" : all;
CONF
