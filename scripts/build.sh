#!/bin/sh
# Builds the 64-bit agent, its components and tests (build/x64); with "all"
# also checks that the 32-bit build compiles and links (build/x86).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TESK_JOBS:-2}

# Configures a build folder once, then builds it; prints the log only on failure.
build() {
    folder=$1
    shift
    if [ ! -f "$folder/build.ninja" ]; then
        cmake -S "$root" -B "$folder" -G Ninja "$@" >/dev/null
    fi
    log="$folder/last-build.log"
    if ! ninja -C "$folder" -j "$jobs" >"$log" 2>&1; then
        grep -v '^\[' "$log" >&2
        echo "build of $folder failed" >&2
        exit 1
    fi
}

# A compiler cache, where the machine has one, keeps rebuilds of other work
# trees cheap.
launcher=""
# Paths relative to the work tree, and no build folder in the hash, so that
# other trees of it (the package tests build one) and other work trees hit the
# cache too.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"

build "$root/build/x64" $launcher -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
if [ "$1" = "all" ]; then
    build "$root/build/x86" $launcher -DTESK_BUILD_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake"
fi
