#!/bin/sh
# Sets up a fresh machine, builds everything (the 32-bit build included) and
# runs the whole test suite under Wine in a prefix of its own.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" all
prefix="$root/build/x64/test-prefix"
"$root/scripts/prefix.sh" "$prefix" "$root/build/x64"
export WINEPREFIX="$prefix" WINEDEBUG=-all
status=0
# A Wine process can stall while it starts (seen rarely, never twice in a row):
# a test that times out runs once more; a test that fails is not retried.
(cd "$root/build/x64" && ctest --output-on-failure --repeat after-timeout:2 -j "${TESK_TEST_JOBS:-2}" "$@") || status=$?
wineserver -k 2>/dev/null || true
exit $status
