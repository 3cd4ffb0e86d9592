#!/usr/bin/env bash
# Compiles the Windows platform files with MinGW, syntax only: they are never
# built on the Linux machines, so this is what keeps them from rotting.
# Usage: scripts/check-windows-syntax.sh [file.cpp ...]  (default: every *Win32.cpp)
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++-posix
if ! command -v "$compiler" >/dev/null; then
    echo "$compiler not found (apt-get install g++-mingw-w64-x86-64-posix)" >&2
    exit 2
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(find . -path ./build -prune -o -path ./.git -prune -o -name '*Win32.cpp' -print | sort)
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "no Windows platform files found" >&2
    exit 0
fi

# JUCE's headers are system headers here as in the CMake build: only our own
# code has to be warning-free. The warning set is JUCE's recommended one.
flags=(
    -std=c++17 -fsyntax-only -Werror
    -isystem /usr/share/juce/modules -I. -Itests
    -DJUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1 -DJUCE_MODAL_LOOPS_PERMITTED=1 -DJUCE_WEB_BROWSER=0
    -DJUCE_USE_CURL=0 -DJUCE_STANDALONE_APPLICATION=1 -DJUCE_DISPLAY_SPLASH_SCREEN=0
    -Wall -Wextra -Wpedantic -Wstrict-aliasing -Wuninitialized -Wunused-parameter -Wsign-compare
    -Wsign-conversion -Wunreachable-code -Wcast-align -Wno-implicit-fallthrough -Wno-maybe-uninitialized
    -Wno-ignored-qualifiers -Wswitch-enum -Wredundant-decls -Wno-strict-overflow -Wshadow
    -Woverloaded-virtual -Wreorder -Wzero-as-null-pointer-constant
)

failed=0
for f in "${files[@]}"; do
    if "$compiler" "${flags[@]}" "$f"; then
        echo "ok   $f"
    else
        echo "FAIL $f"
        failed=1
    fi
done
exit $failed
