#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [plain|address|thread] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
kind=${2:-plain}
shift $(( $# >= 2 ? 2 : $# ))
sanitize=""
flags=()
if [ "$kind" != plain ]; then
    sanitize=$kind
    # Sanitizer builds only run the tests: lighter optimisation and line
    # tables alone compile far faster and still give full reports.
    flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")
fi
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_SANITIZE="$sanitize" -DTAVIK_WERROR=ON \
        "${flags[@]}"
fi
cmake --build "$dir" -j"$(nproc)" ${1:+--target "$@"}
