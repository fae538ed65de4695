#!/bin/sh
# The agent's main job on a fresh machine: set up, build, install the agent
# into a Wine prefix of its own, run the demonstration client against it and
# watch the agent end by itself after its idle time.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x64"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
prefix="$build/demo-prefix"
echo "== installing the agent into $prefix"
"$root/scripts/prefix.sh" "$prefix" "$build"
export WINEPREFIX="$prefix" WINEDEBUG=-all

# The same from the command line: teskctl lists the installed servers and
# decodes one server's activity, here sample server instance 1 while it is
# registered (the demonstration client below registers it as well and removes
# it at its end).
ctl="$build/components/teskctl/TeskCtl.exe"
sample="$build/samples/sample_server/TeskSampleServer.exe"
if [ -f "$ctl" ] && [ -f "$sample" ]; then
    wine "$sample" -RegServer -instance 1
    echo "== teskctl list"
    wine "$ctl" list
    echo "== teskctl status TeskSample.Server1.1"
    wine "$ctl" status TeskSample.Server1.1
fi

client=$(ls "$build"/tools/demo/*.exe 2>/dev/null | head -n 1)
echo "== running the client"
if [ -n "$client" ]; then
    wine "$client"
else
    # Without the demonstration program: a script client through IDispatch.
    wine cscript //nologo "$(printf 'Z:%s' "$(printf '%s' "$root/scripts/demo-client.js" | tr '/' '\\')")"
fi

echo "== the client is gone; waiting for the agent to end after its idle time"
# The agent processes of this prefix, found by their command line and environment.
agent_pids() {
    for pid in $(pgrep -f 'TeskAgent\.exe' || true); do
        # A process may end between the listing and the read: that is no agent.
        { tr '\0' '\n' < "/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && echo "$pid"
    done
}
start=$(date +%s)
while [ -n "$(agent_pids)" ]; do
    if [ $(( $(date +%s) - start )) -gt 60 ]; then
        echo "== the agent is still running after 60 s" >&2
        exit 1
    fi
    sleep 0.5
done
echo "== the agent ended $(( $(date +%s) - start )) s after the client"
wineserver -k
