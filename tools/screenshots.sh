#!/usr/bin/env bash
# Starts Quorvin under a headless X server once per page and saves what it shows.
#   tools/screenshots.sh OUTDIR [RECORDING.json] [COMPUTER] [SECONDS]
# Without a recording it shows this computer. Needs xvfb-run and ImageMagick's import.
set -euo pipefail
out=${1:?output directory}
recording=${2:-}
computer=${3:-}
wait_s=${4:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${QUORVIN_BIN:-$here/build/quorvin}
mkdir -p "$out"
names=(general processor processes services network)
for page in 1 2 3 4 5; do
    args=()
    [ -n "$computer" ] && args=("/c:$computer" "/t:$page")
    [ -z "$computer" ] && [ "$page" != 1 ] && args=("/c:" "/t:$page")
    shot="$out/${names[$((page - 1))]}.png"
    QUORVIN_REPLAY=$recording xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
        "$0" "$@" & app=$!
        sleep '"$wait_s"'
        import -window root -crop 668x385+0+0 "'"$shot"'"
        kill $app' "$bin" "${args[@]}"
    echo "$shot"
done
