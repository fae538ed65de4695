#!/bin/sh
# Creates a fresh Wine prefix and installs the agent (and the components
# built beside it) into it, exactly as a user would with TeskInstall.
#   scripts/prefix.sh <prefix directory> <build directory>
set -e
[ -n "$1" ] && [ -n "$2" ] || { echo "usage: prefix.sh <prefix> <build>" >&2; exit 2; }
# Wine wants an absolute prefix; Windows paths are made from the build folder.
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
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
# The components outside the agent first, so that the agent's registration
# finds the libraries it configures itself with.
for hook in "$(dirname "$0")"/prefix.d/*.sh; do
    [ -f "$hook" ] && . "$hook"
done
wine "$build/components/installer/TeskInstall.exe" install-agent "$(win "$build/TeskAgent/host/TeskAgent.exe")"
