#!/usr/bin/env bash
# make-rootfs.sh [--check] ROOTFS
# A Debian 12 root file system with systemd, dbus and an SSH server that systemd-nspawn can boot, plus the
# services and SSH settings the tests use. Built once (about a minute with a Debian mirror at hand); later
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

current() { [ "$(cat "$ROOT/.complete" 2>/dev/null)" = "$INCLUDE" ]; }

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
    timeout "${QUORVIN_ROOTFS_SECONDS:-150}" debootstrap --variant=minbase --include="$INCLUDE" \
        --cache-dir="$DEBS" bookworm "$ROOT" "$MIRROR"
    echo "$INCLUDE" >"$ROOT/.complete"
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
