#!/bin/bash
# Checks the layers by their #include lines. Each rule names files and an extended regular expression that
# none of their includes may match. Files: "DIR/*" is a folder's own .h and .cpp files, "DIR/**" everything
# below it too, anything else one file. Depth "own" looks at the files' own includes, "through" also at those
# of the project headers they include, and theirs in turn (a public header must not pull a library in).
# A new rule is one more line of the table.
set -u
cd "${1:-$(dirname "$0")/../..}" || exit 2

rules='
mgmt/*                       own      "mgmt/(linux|local|remote|replay|pcp)/
mgmt/*                       own      <Q|<qt|<systemd/|<libssh/|<pcp/|"(app|pages|fleet)/
mgmt/linux/**                own      <Q|"(app|pages|fleet)/|"mgmt/(local|remote|replay|pcp)/
mgmt/local/**                own      <Q|"(app|pages|fleet)/|"mgmt/(remote|replay|pcp)/
mgmt/remote/**               own      <Q|"(app|pages|fleet)/|"mgmt/local/
mgmt/replay/**               own      <Q|"(app|pages|fleet)/
mgmt/pcp/**                  own      <Q|"(app|pages|kit|fleet)/|"mgmt/(local|remote|replay)/
mgmt/pcp/PcpModule.h         through  <systemd/|<libssh/|<nlohmann/|<pcp/|"mgmt/(linux|pcp/Pcp(Source|Connection|Collector|Classes)|pcp/Archive)
mgmt/pcp/PcpSource.h         through  <systemd/|<libssh/|<nlohmann/|<pcp/
mgmt/pcp/ArchiveSource.h     through  <systemd/|<libssh/|<nlohmann/|<pcp/
mgmt/local/LocalSource.h     through  <systemd/|<libssh/|<nlohmann/
mgmt/remote/RemoteSource.h   through  <systemd/|<libssh/|<nlohmann/
mgmt/remote/SshSettings.h    through  <systemd/|<libssh/|<nlohmann/
mgmt/remote/RemoteModule.h   through  <systemd/|<libssh/|<nlohmann/|"mgmt/remote/Remote(Source|Computer|System)
app/**                       own      <libssh/|<pcp/|"mgmt/remote/(Remote(Source|Computer|System)|Ssh(Session|BusBridge))|"mgmt/pcp/([^P]|Pcp[^ML])|"mgmt/local/([^L]|Local[^S]|LocalSy)|"fleet/
mgmt/replay/ReplaySource.h   through  <systemd/|<libssh/|<nlohmann/
kit/**                       own      "(app|pages|fleet)/|"mgmt/(linux|local|remote|replay|pcp)/|<systemd/|<libssh/|<pcp/
pages/**                     own      "(app|fleet)/|"mgmt/(linux|local|remote|replay|pcp)/|<systemd/|<libssh/|<pcp/
tools/**                     own      "(pages|fleet)/
fleet/**                     own      <libssh/|<pcp/|<systemd/|"pages/|"app/(frmQuorvin|FormDesign|DrawingSurface)|"mgmt/(replay/|remote/(Remote|SshSession|SshBusBridge|SshConnector|BusStream)|pcp/([^P]|Pcp[^ML])|linux/|local/([^L]|Local[^S]|LocalSy))
'
# A page is whole in its folder: no page includes another page's files.
for page in pages/*/; do
    page=${page%/}
    others=$(find pages -mindepth 1 -maxdepth 1 -type d ! -path "$page" -printf '%f|' | sed 's/|$//')
    [[ -n $others ]] && rules+="$page/**  own  \"pages/($others)/"$'\n'
done

filesOf() {
    case "$1" in
    */\*\*) find "${1%/\*\*}" -type f \( -name '*.h' -o -name '*.cpp' \) | sort ;;
    */\*) find "${1%/\*}" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) | sort ;;
    *) echo "$1" ;;
    esac
}

includesOf() {
    grep -hE '^[[:space:]]*#[[:space:]]*include' "$1" 2>/dev/null | sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*//'
}

# The file's includes, then those of the project headers it includes, each header once.
includesThrough() {
    local pending=("$1") seen=" " file include header
    while ((${#pending[@]})); do
        file=${pending[0]}
        pending=("${pending[@]:1}")
        while IFS= read -r include; do
            echo "$include"
            header=${include#\"}
            header=${header%%\"*}
            if [[ $include == \"* && -f $header && $seen != *" $header "* ]]; then
                seen+="$header "
                pending+=("$header")
            fi
        done < <(includesOf "$file")
    done
}

failures=0
while read -r files depth pattern; do
    [[ -z $files ]] && continue
    for file in $(filesOf "$files"); do
        if [[ $depth == through ]]; then found=$(includesThrough "$file"); else found=$(includesOf "$file"); fi
        while IFS= read -r include; do
            [[ -n $include ]] || continue
            echo "$file includes $include (rule: $files must include nothing matching $pattern)"
            failures=$((failures + 1))
        done < <(grep -E -- "^($pattern)" <<<"$found")
    done
done <<<"$rules"
((failures == 0)) && echo "include rules hold"
((failures == 0))
