#!/usr/bin/env bash
# package-check.sh WORK_DIR PACKAGE.deb
# Installs the package into a fresh minimal Debian 12 (debootstrap) and tries it there: what apt pulls in, that
# --version and --help answer, that man finds the pages, and that the window opens under a headless X server.
# The package is installed without recommends, so that its own dependencies are shown to be enough.
# Needs root, debootstrap and a Debian mirror (QUORVIN_DEBIAN_MIRROR overrides it). The bare tree and every
# downloaded package are kept in WORK_DIR, so later runs download nothing again.
set -euo pipefail
WORK=$(realpath -m "$1")
DEB=$(realpath "$2")
MIRROR=${QUORVIN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
BASE=$WORK/base
ROOT=$WORK/root
ARCHIVES=$WORK/archives
[ "$(id -u)" -eq 0 ] || { echo "package-check.sh: needs root" >&2; exit 1; }

mkdir -p "$WORK/base.debs" "$ARCHIVES/partial"
if [ ! -e "$BASE/.complete" ]; then
    rm -rf --one-file-system "$BASE"
    debootstrap --variant=minbase --cache-dir="$WORK/base.debs" bookworm "$BASE" "$MIRROR"
    # A Debian 12 as installed: its updates and security fixes too.
    printf 'deb %s bookworm main\ndeb %s bookworm-updates main\ndeb %s-security bookworm-security main\n' \
        "$MIRROR" "$MIRROR" "$MIRROR" >"$BASE/etc/apt/sources.list"
    touch "$BASE/.complete"
fi
# Every run starts from the bare tree.
rm -rf --one-file-system "$ROOT"
cp -a "$BASE" "$ROOT"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$ROOT/usr/sbin/policy-rc.d" # no daemon starts inside
chmod +x "$ROOT/usr/sbin/policy-rc.d"
cp "$DEB" "$ROOT/tmp/"
PKG=/tmp/$(basename "$DEB")

cat >"$ROOT/tmp/inside.sh" <<INSIDE
#!/bin/bash
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin
apt-get update -qq
echo "== what a default install would add (with recommends): \$(apt-get install -s $PKG | grep -c '^Inst ')"
dpkg-query -W -f '\${Package}\n' | sort >/tmp/before
apt-get install -y -qq --no-install-recommends $PKG >/tmp/install.log
dpkg-query -W -f '\${Package}\n' | sort >/tmp/after
echo "== installed without recommends: \$(comm -13 /tmp/before /tmp/after | wc -l) packages"
comm -13 /tmp/before /tmp/after | tr '\n' ' '
echo
echo "== libraries not found:"
ldd /usr/bin/quorvin /usr/bin/quorvin-record /usr/bin/quorvin-fleet /usr/lib/quorvin/quorvin-ssh.so \
    /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqxcb.so | grep 'not found' && exit 1
echo "(none)"
# A name that no host can have is refused by the SSH module itself: it loaded.
echo "== another computer: \$(quorvin-record --computer 'no;such' /tmp/x.json 2>&1 || true)"
{ quorvin-record --computer 'no;such' /tmp/x.json 2>&1 || true; } | grep -q 'not a computer name'
echo "== quorvin --version: \$(quorvin --version)"
quorvin --help | grep -q 'known_hosts'
echo "== quorvin --help: \$(quorvin --help | wc -l) lines"
echo "== quorvin-record --version: \$(quorvin-record --version)"
echo "== quorvin-fleet --version: \$(quorvin-fleet --version)"
# A tree made by debootstrap has no man; a desktop installation has.
apt-get install -y -qq --no-install-recommends man-db >/dev/null
echo "== man -w: \$(man -w quorvin) \$(man -w quorvin-record) \$(man -w quorvin-fleet)"
echo "== man quorvin: \$(MANWIDTH=80 man quorvin 2>&1 >/dev/null | wc -l) warnings"
apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils x11-apps >/dev/null
echo "== quorvin under Xvfb:"
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
    quorvin 2>/tmp/quorvin.err & pid=\$!
    sleep 8
    kill -0 \$pid || { echo "quorvin ended early"; cat /tmp/quorvin.err; exit 1; }
    xwininfo -root -tree | grep -F "Quorvin\"" || { echo "no Quorvin window"; exit 1; }
    xwd -root -silent >/tmp/screen.xwd
    kill \$pid'
INSIDE
chmod +x "$ROOT/tmp/inside.sh"

# The mounts live in a mount namespace of their own and vanish with it.
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --mount --propagation private bash -c '
    set -e
    mount -t proc proc "$1/proc"
    mount --rbind /sys "$1/sys"
    mount --rbind /dev "$1/dev"
    mount --bind "$2" "$1/var/cache/apt/archives"
    chroot "$1" /tmp/inside.sh' - "$ROOT" "$ARCHIVES"
if command -v convert >/dev/null; then
    convert "$ROOT/tmp/screen.xwd" "$WORK/screen.png" && echo "== the screen: $WORK/screen.png"
fi
echo "package-check: passed"
