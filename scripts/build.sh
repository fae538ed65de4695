#!/bin/sh
# Builds the 64-bit agent, its components and tests (build/x64); with "all"
# also checks that the 32-bit build compiles and links (build/x86).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TESK_JOBS:-2}
if [ ! -f "$root/build/x64/build.ninja" ]; then
    cmake -S "$root" -B "$root/build/x64" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
ninja -C "$root/build/x64" -j "$jobs" | grep -v "^\[" || true
test -f "$root/build/x64/host/TeskAgent.exe"
if [ "$1" = "all" ]; then
    if [ ! -f "$root/build/x86/build.ninja" ]; then
        cmake -S "$root" -B "$root/build/x86" -G Ninja -DTESK_BUILD_TESTS=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
    fi
    ninja -C "$root/build/x86" -j "$jobs" | grep -v "^\[" || true
    test -f "$root/build/x86/host/TeskAgent.exe"
fi
