#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [plain|address|thread|fuzz] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
kind=${2:-plain}
shift $(( $# >= 2 ? 2 : $# ))
sanitize=""
# Line tables are all a backtrace needs, and compile a fifth faster than
# full debug information; the packaged programs are stripped either way.
optimise="-O2 -g1 -DNDEBUG"
if [ "$kind" != plain ]; then
    sanitize=$kind
    # Sanitizer builds only run the tests: lighter optimisation compiles
    # faster and still gives full reports.
    optimise="-O1 -g1 -DNDEBUG"
fi
flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimise" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$optimise")
compilers=()
werror=ON
if [ "$kind" = fuzz ]; then
    # libFuzzer comes with clang, whose warnings differ from the compiler
    # that builds everything else: they are shown, not fatal, here.
    compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    werror=OFF
fi
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" "${compilers[@]}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_SANITIZE="$sanitize" -DTAVIK_WERROR=$werror \
        "${flags[@]}"
fi
cmake --build "$dir" -j"$(nproc)" ${1:+--target "$@"}
