#!/usr/bin/env bash
# check-information.sh QUORVIN VERSION
# "quorvin --help" and "quorvin --version" answer without a display and without a Qt platform.
set -euo pipefail
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
help=$("$1" --help)
# shellcheck disable=SC2088 # the path as the text names it
for want in /c: /t: "1  General" "5  Network" QUORVIN_REPLAY "~/.ssh/known_hosts"; do
    grep -qF -- "$want" <<<"$help" || { echo "--help does not mention $want"; exit 1; }
done
version=$("$1" --version)
[ "$version" = "quorvin $2" ] || { echo "--version printed: $version"; exit 1; }
