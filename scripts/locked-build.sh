#!/usr/bin/env bash
# Builds the named targets in build/ (configuring it first if needed), one
# build at a time on this machine: parallel builds on two cores only thrash.
set -euo pipefail
cd "$(dirname "$0")/.."
exec 9>/tmp/tavik-build.lock
flock 9
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
fi
cmake --build build -j2 ${1:+--target "$@"}
