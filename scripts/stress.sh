#!/bin/sh
# Runs the stress program (tools/stress) against an agent installed in a Wine
# prefix of its own: many client processes calling one agent process at once.
#   scripts/stress.sh [--build <build folder>] [--quick] [other TeskStress options]
# --quick is the short run that CI makes (a minute or two). The build folder
# defaults to build/x64 (configured and built here if needed). See
# docs/reliability.md.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x64"
if [ "$1" = "--build" ]; then
    build=$(cd "$2" 2>/dev/null && pwd || echo "$2")
    shift 2
fi
limit=14400
for arg in "$@"; do [ "$arg" = "--quick" ] && limit=600; done

. "$root/scripts/tool-prefix.sh"
tool_prepare stress-prefix tesk_stress TeskAgent tesk_installer
test -f "$build/tools/stress/TeskStress.exe"
status=0
timeout "$limit" wine "$build/tools/stress/TeskStress.exe" "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
