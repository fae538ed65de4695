#!/bin/sh
# Installs what a fresh Debian machine lacks to build and test the agent.
# Idempotent and quiet when everything is there. Never installs wine32: it
# would replace the wine launcher and break 64-bit Wine.
set -e
packages="cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64
libwine-dev googletest wixl msitools ccache nlohmann-json3-dev libcli11-dev"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "setup: installing$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
