# Sourced by scripts/bench.sh and scripts/stress.sh (with $root and $build set).
#   tool_prepare <prefix folder name> <ninja target>...
# Builds what the tool needs in $build (configured first if needed), then makes
# the tool's own fresh Wine prefix with the agent installed as a user would,
# and exports WINEPREFIX for it.
tool_prepare() {
    name=$1
    shift
    "$root/scripts/setup.sh"
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
    fi
    ninja -C "$build" -j "${TESK_JOBS:-2}" "$@" | grep -v "^\[" || true
    prefix="$build/$name"
    "$root/scripts/prefix.sh" "$prefix" "$build"
    export WINEPREFIX="$prefix" WINEDEBUG=-all
}
