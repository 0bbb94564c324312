#!/usr/bin/env bash
# The layers' include rules: app -> pages -> kit -> mgmt interface <- backends. Each row: the files it covers
# (a folder, and whether its subfolders count), then the includes they must not have (an extended regex).
# Prints every include that breaks a rule and fails; prints nothing and succeeds when all hold.
set -u
cd "$(dirname "$0")/.."
rules=(
    "mgmt|top|#include [<\"](mgmt/(linux|remote|replay)/|app/|pages/|kit/|Q)"
    "mgmt/linux|all|#include [<\"](app/|pages/|kit/|Q)"
    "mgmt/remote|all|#include [<\"](app/|pages/|kit/|Q)"
    "mgmt/replay|all|#include [<\"](app/|pages/|kit/|Q)"
    "kit|all|#include \"(app|pages|mgmt/(linux|remote|replay))/"
    "pages|all|#include \"(app|mgmt/(linux|remote|replay))/"
    "tools|all|#include \"pages/"
)
status=0
for rule in "${rules[@]}"; do
    IFS='|' read -r folder depth pattern <<<"$rule"
    [ -d "$folder" ] || continue
    depthOption=()
    [ "$depth" = top ] && depthOption=(-maxdepth 1)
    while IFS= read -r hit; do
        echo "layers: $hit (not allowed in $folder/)"
        status=1
    done < <(find "$folder" "${depthOption[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
        xargs -0 -r grep -HnE "$pattern")
done
exit $status
