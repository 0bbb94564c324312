#!/usr/bin/env bash
# make-rootfs.sh [--check] ROOTFS
# A Debian 12 root file system with systemd, dbus and an SSH server that systemd-nspawn can boot, plus the
# services and SSH settings the tests use, and Performance Co-Pilot (pcp) for the collector that
# tests/infra/pcp-up.sh starts in the tree: one tree, one bootstrap. pcp's services stay disabled, so that a
# booted container runs no collector. Built once (about a minute with a Debian mirror at hand); later
# runs only rewrite the test files. With --check it builds nothing: exit status 0 when the tree is built
# and current, 1 when a run would have to build it.
# Needs root and debootstrap. QUORVIN_DEBIAN_MIRROR overrides the mirror.
set -euo pipefail
CHECK=
if [ "${1:-}" = --check ]; then
    CHECK=1
    shift
fi
ROOT=$1
MIRROR=${QUORVIN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
# A tree built from another package list (an older version of this script) is built again.
INCLUDE=systemd,systemd-sysv,dbus,openssh-server,procps
# Installed after the bootstrap: its maintainer scripts call systemctl, which fails where systemd is not running.
LATER=pcp

current() { [ "$(cat "$ROOT/.complete" 2>/dev/null)" = "$INCLUDE $LATER" ]; }

if [ -n "$CHECK" ]; then
    current && exit 0
    exit 1
fi

# Tests running side by side share the tree: the first one builds it, the others wait for it.
mkdir -p "$(dirname "$ROOT")"
exec 9>"$ROOT.lock"
flock 9

if ! current; then
    # An interrupted debootstrap can leave proc and sys mounted in the tree: unmount them before deleting it.
    for m in proc sys dev/pts; do
        mountpoint -q "$ROOT/$m" 2>/dev/null && umount -l "$ROOT/$m"
    done
    rm -rf --one-file-system "$ROOT"
    # The packages are kept beside the tree, so that a retry after a timeout downloads nothing again.
    DEBS=$(realpath -m "$ROOT.debs")
    mkdir -p "$DEBS"
    # Within a test's time limit, unless the caller has more time (QUORVIN_ROOTFS_SECONDS).
    timeout "${QUORVIN_ROOTFS_SECONDS:-600}" debootstrap --variant=minbase --include="$INCLUDE" --cache-dir="$DEBS" \
        bookworm "$ROOT" "$MIRROR"
    # With systemctl answering nothing (apt hands dpkg a PATH of its own) and no service allowed to start, in a
    # PID namespace of its own, so that nothing the maintainer scripts start survives; the packages stay
    # beside the tree as well.
    printf '#!/bin/sh\nexit 0\n' >"$ROOT/usr/local/sbin/systemctl"
    printf '#!/bin/sh\nexit 101\n' >"$ROOT/usr/sbin/policy-rc.d"
    chmod +x "$ROOT/usr/local/sbin/systemctl" "$ROOT/usr/sbin/policy-rc.d"
    mkdir -p "$DEBS/apt/partial"
    timeout 400 unshare --mount --pid --fork --mount-proc="$ROOT/proc" sh -c '
        mount --bind "$1/apt" "$2/var/cache/apt/archives" && exec chroot "$2" env PATH=/usr/local/sbin:/usr/sbin:/usr/bin:/sbin:/bin sh -c "apt-get update -qq &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            -o DPkg::Path=/usr/local/sbin:/usr/sbin:/usr/bin:/sbin:/bin $3"' \
        sh "$DEBS" "$ROOT" "$LATER"
    rm -f "$ROOT/usr/local/sbin/systemctl" "$ROOT/usr/sbin/policy-rc.d"
    # pcp's installation enables its collector, logger and proxy at boot: the container must not run them.
    rm -f "$ROOT"/etc/systemd/system/*.wants/pm*.service "$ROOT"/etc/systemd/system/*.wants/pm*.timer
    # The collector's namespace of metric names, which its init script builds at the first start.
    chroot "$ROOT" sh -c 'cd /var/lib/pcp/pmns && ./Rebuild -u && touch root'
    # Mount points for a collector started in the tree; the collector resolves its own name.
    mkdir -p "$ROOT/mnt/up"
    [ -e "$ROOT/etc/hosts" ] || printf '127.0.0.1 localhost\n' >"$ROOT/etc/hosts"
    echo "$INCLUDE $LATER" >"$ROOT/.complete"
fi

U=$ROOT/etc/systemd/system
# Installed but not enabled: loaded only when something starts it.
printf '[Unit]\nDescription=Quorvin demo service\n[Service]\nExecStart=/bin/sleep infinity\n' \
    >"$U/quorvin-demo.service"
# Enabled, so it runs from boot.
printf '[Unit]\nDescription=Quorvin enabled service\n[Service]\nExecStart=/bin/sleep infinity\n[Install]\nWantedBy=multi-user.target\n' \
    >"$U/quorvin-enabled.service"
mkdir -p "$U/multi-user.target.wants"
ln -sfn /etc/systemd/system/quorvin-enabled.service "$U/multi-user.target.wants/quorvin-enabled.service"
# Masked.
ln -sfn /dev/null "$U/quorvin-masked.service"

# The SSH server runs from boot. Each test brings its own host key and authorized key; only the ed25519
# key is offered, so that the one line a test writes to known_hosts is the one the server presents.
ln -sfn /lib/systemd/system/ssh.service "$U/multi-user.target.wants/ssh.service"
mkdir -p "$ROOT/etc/ssh/sshd_config.d"
printf 'HostKey /etc/ssh/ssh_host_ed25519_key\nPermitRootLogin yes\nPasswordAuthentication no\n' \
    >"$ROOT/etc/ssh/sshd_config.d/quorvin-tests.conf"
