#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [plain|address|thread] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
kind=${2:-plain}
shift $(( $# >= 2 ? 2 : $# ))
sanitize=""
[ "$kind" != plain ] && sanitize=$kind
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_SANITIZE="$sanitize" -DTAVIK_WERROR=ON
fi
cmake --build "$dir" -j"$(nproc)" ${1:+--target "$@"}
