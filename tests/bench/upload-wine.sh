#!/usr/bin/env bash
# A firmware upload's share under Wine: the Windows build's worker and serial
# layer on a COM port mapped to tavik-sim --pace (as scripts/test-windows.sh
# maps them). Heavy: builds the Windows upload-share program and a Wine prefix.
#   tests/bench/upload-wine.sh [BYTES]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
share=${1:-2000}
build=build-windows
host=build
deps=${TAVIK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavik}/windows-deps
scripts/windows-deps.sh "$deps"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake \
        -DTAVIK_WINDOWS_DEPS="$deps/prefix" -DTAVIK_WERROR=ON -Wno-dev >/dev/null
fi
cmake --build "$build" -j2 --target tavik_upload_share
cmake --build "$host" --target tavik-sim

work=$root/$build/wine-upload
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineserver -p # before anything else starts a server that ends with its last client
wineboot -i >/dev/null 2>&1

"$host/sim/tavik-sim" --no-announce --pace >"$work/sim" 2>"$work/sim.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/sim" ] && break; sleep 0.1; done
pty=$(head -n1 "$work/sim")
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$pty" /f >/dev/null
wineserver -k
wineserver -w
wineserver -p
wine cmd /c exit 0
wine "$build/tests/tavik_upload_share.exe" COM5 "$share"
