#!/bin/sh
# Fails when a file under TeskAgent/ includes against the direction of the
# agent's subsystems, or anything outside the agent but support/:
#   host -> agent -> interfaces/ClassUtilities, dcomconfig -> diagnostics -> support
# (resources feed host and agent). Two edges point up on purpose:
#   agent/*  -> host/server_module.h        every agent object holds a module count
#   interfaces/ClassUtilities/* -> agent/TeskSafeArrayWrapper.h
#                                           every returned array is built by the wrappers
#   scripts/check-includes.sh [repository folder]
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root/TeskAgent" || exit 2

# allowed <subsystem>: the folders its files may include from.
allowed() {
    case $1 in
        host) echo "host agent interfaces dcomconfig diagnostics resources support" ;;
        agent) echo "agent interfaces diagnostics resources support host/server_module.h" ;;
        interfaces) echo "interfaces diagnostics support agent/TeskSafeArrayWrapper.h" ;;
        dcomconfig) echo "dcomconfig diagnostics support" ;;
        diagnostics) echo "diagnostics support" ;;
        resources) echo "resources" ;;
    esac
}

status=0
for subsystem in host agent interfaces dcomconfig diagnostics resources; do
    ok=$(allowed $subsystem)
    for file in $(find "$subsystem" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \)); do
        # Quoted includes with a folder; generated headers (TeskAgent_h.h) have none.
        for target in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file"); do
            pass=no
            for prefix in $ok; do
                case $target in
                    "$prefix"|"$prefix"/*) pass=yes ;;
                esac
            done
            if [ $pass = no ]; then
                echo "TeskAgent/$file includes \"$target\" against the subsystem direction" >&2
                status=1
            fi
        done
    done
done
[ $status -eq 0 ] && echo "include direction: ok"
exit $status
