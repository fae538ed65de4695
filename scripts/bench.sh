#!/bin/sh
# Runs the benchmarks (bench/) in a Wine prefix of their own and writes the
# table as <build>/bench-results/bench-results.md and .json.
#   scripts/bench.sh [--build <build folder>] [--quick] [other TeskBench options]
# The build folder defaults to build/x64 (configured and built here if needed).
# See docs/performance.md.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x64"
if [ "$1" = "--build" ]; then
    build=$(cd "$2" 2>/dev/null && pwd || echo "$2")
    shift 2
fi
limit=5400
for arg in "$@"; do [ "$arg" = "--quick" ] && limit=900; done

# A fresh prefix with the agent installed as a user would install it, then
# the baseline server registered the same way.
. "$root/scripts/tool-prefix.sh"
tool_prepare bench-prefix tesk_bench
test -f "$build/tools/bench/TeskBench.exe"
win() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
wine "$build/tools/bench/BenchBaseline.exe" -RegServer
# The logger as installed in production: errors and warnings on, trace off.
# (The test prefix turns trace on; then every call also writes trace records,
# which TESK_BENCH_LOG_FLAGS="Error;Warning;Trace" measures.)
# TESK_BENCH_LOGGER=absent measures the agent without the logger library.
logger_key='HKLM\SOFTWARE\Quellix\Framework\Logger'
logger_flags="${TESK_BENCH_LOG_FLAGS:-Error;Warning}"
wine reg add "$logger_key" /v Flags /t REG_SZ /d "$logger_flags" /f >/dev/null 2>&1 || true
if [ "$TESK_BENCH_LOGGER" = "absent" ]; then
    wine reg delete "$logger_key" /v InstallPath /f >/dev/null 2>&1 || true
    logger_flags="none (no logger library)"
fi

results="$build/bench-results"
mkdir -p "$results"
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
machine="$(uname -sr) $(uname -m); ${cpu:-unknown CPU}; $(nproc) cores; $(wine --version); logger flags $logger_flags"
status=0
timeout "$limit" wine "$build/tools/bench/TeskBench.exe" --out "$(win "$results")" \
    --machine "$machine" "$@" || status=$?
wineserver -k 2>/dev/null || true
[ -f "$results/bench-results.md" ] && cat "$results/bench-results.md"
exit $status
