#!/bin/sh
# Creates a fresh Wine prefix and installs the agent (and the components
# built beside it) into it, exactly as a user would with TeskInstall.
#   scripts/prefix.sh <prefix directory> <build directory>
set -e
prefix=$1
build=$2
[ -n "$prefix" ] && [ -n "$build" ] || { echo "usage: prefix.sh <prefix> <build>" >&2; exit 2; }
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
wineserver -w
# Keep this prefix's wineserver up until the caller stops it.
wineserver -p
win() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
wine "$build/installer/TeskInstall.exe" install-agent "$(win "$build/host/TeskAgent.exe")"
for hook in "$(dirname "$0")"/prefix.d/*.sh; do
    [ -f "$hook" ] && . "$hook"
done
true
