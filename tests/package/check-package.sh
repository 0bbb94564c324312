#!/usr/bin/env bash
# check-package.sh BUILD_DIR WORK_DIR
# Makes the Debian package from a built tree and checks what it installs: the programs, the desktop entries, the
# icons, the metainfo, the man pages and the copyright, with the desktop and AppStream validators.
set -euo pipefail
BUILD=$1
WORK=$2
rm -rf "$WORK"
mkdir -p "$WORK"
cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK" >"$WORK/cpack.log" || { cat "$WORK/cpack.log"; exit 1; }
DEB=$(echo "$WORK"/quorvin_*.deb)

ID=org.quorvin.Quorvin
CONTENTS=$(dpkg-deb -c "$DEB" | awk '{print $NF}')
failed=0
for f in usr/bin/quorvin usr/bin/quorvin-record usr/bin/quorvin-fleet usr/share/applications/$ID.desktop \
    usr/share/applications/org.quorvin.QuorvinFleet.desktop usr/share/man/man1/quorvin-fleet.1.gz \
    usr/share/icons/hicolor/scalable/apps/$ID.svg usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/$ID.png \
    usr/share/metainfo/$ID.metainfo.xml usr/share/man/man1/quorvin.1.gz usr/share/man/man1/quorvin-record.1.gz \
    usr/share/doc/quorvin/copyright; do
    grep -qx "\./$f" <<<"$CONTENTS" || { echo "missing from the package: /$f"; failed=1; }
done

grep -qxE '\./usr/lib/([^/]+/)?quorvin/quorvin-ssh\.so' <<<"$CONTENTS" || { echo "missing from the package: the SSH module"; failed=1; }
# The PCP module and, through it, libpcp3, where the build has PCP support.
PCP_DEPENDS=
if [ -f "$BUILD/quorvin-pcp.so" ]; then
    grep -qxE '\./usr/lib/([^/]+/)?quorvin/quorvin-pcp\.so' <<<"$CONTENTS" || { echo "missing from the package: the PCP module"; failed=1; }
    PCP_DEPENDS=libpcp3
fi

# The libraries come from dpkg-shlibdeps; the display plugins Qt loads at run time are named by hand.
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for d in libqt6widgets6 libssh-4 qt6-qpa-plugins $PCP_DEPENDS; do
    grep -q "\b$d\b" <<<"$DEPENDS" || { echo "Depends lacks $d: $DEPENDS"; failed=1; }
done

dpkg-deb -x "$DEB" "$WORK/root"
desktop-file-validate "$WORK/root/usr/share/applications/$ID.desktop" || failed=1
desktop-file-validate "$WORK/root/usr/share/applications/org.quorvin.QuorvinFleet.desktop" || failed=1
# The tree as a whole: the metainfo, and the desktop entry and icons it refers to.
appstreamcli validate-tree --no-net "$WORK/root" || failed=1
exit $failed
