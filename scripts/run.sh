#!/usr/bin/env bash
# Sets everything up, starts the processor simulator and the control program.
# The simulator's port appears in the program's port chooser (CONNECT).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build-run plain tavikcontrol tavik-sim

if [ -z "${DISPLAY:-}" ]; then
    echo "No X display: the control program needs one (set DISPLAY, or run under xvfb-run)." >&2
    exit 1
fi

log=$(mktemp /tmp/tavik-sim.XXXXXX.log)
coproc SIM { exec build-run/sim/tavik-sim --pace --dump /tmp/tavik-sim-memory.json 2>"$log"; }
trap 'kill "$SIM_PID" 2>/dev/null || true' EXIT
read -r port <&"${SIM[0]}"
echo "Processor simulator on $port (log: $log, memory dump on exit: /tmp/tavik-sim-memory.json)"
echo "Click CONNECT TO DEVICE and pick $port in the list."
build-run/tavikcontrol
