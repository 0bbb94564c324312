#!/usr/bin/env bash
# make-rootfs.sh ROOTFS
# A Debian 12 root file system with systemd and dbus that systemd-nspawn can boot, plus the services the tests
# use. Built once (about 40 s with a Debian mirror at hand); later runs only rewrite the test services.
# Needs root and debootstrap. QUORVIN_DEBIAN_MIRROR overrides the mirror.
set -euo pipefail
ROOT=$1
MIRROR=${QUORVIN_DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ ! -f "$ROOT/.complete" ]; then
    # An interrupted debootstrap can leave proc and sys mounted in the tree: unmount them before deleting it.
    for m in proc sys dev/pts; do
        mountpoint -q "$ROOT/$m" 2>/dev/null && umount -l "$ROOT/$m"
    done
    rm -rf --one-file-system "$ROOT"
    # The packages are kept beside the tree, so that a retry after a timeout downloads nothing again.
    DEBS=$(realpath -m "$ROOT.debs")
    mkdir -p "$DEBS"
    timeout 150 debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus --cache-dir="$DEBS" \
        bookworm "$ROOT" "$MIRROR"
    touch "$ROOT/.complete"
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
