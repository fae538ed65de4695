#!/bin/sh
# Runs a Windows program under 64-bit Wine in the prefix named by WINEPREFIX.
# Tests and tools never run in the user's own ~/.wine.
if [ -z "$WINEPREFIX" ]; then
    echo "wine-run.sh: WINEPREFIX is not set (use scripts/test.sh or scripts/demo.sh)" >&2
    exit 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
