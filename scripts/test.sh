#!/usr/bin/env bash
# Sets everything up, builds and runs every test: a plain build, then the
# same suite under AddressSanitizer+UBSan and under ThreadSanitizer.
# Then the Windows build, tested under Wine (scripts/test-windows.sh).
# TAVIK_TEST_BUILDS selects a subset, e.g. TAVIK_TEST_BUILDS=plain.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

builds=${TAVIK_TEST_BUILDS:-plain address thread windows}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
# Tests must never read or write the user's own settings.
export XDG_CONFIG_HOME=$(mktemp -d /tmp/tavik-test-config.XXXXXX)

status=0
for kind in $builds; do
    if [ "$kind" = windows ]; then
        echo "=== windows build and tests (Wine) ==="
        scripts/test-windows.sh || status=1
        continue
    fi
    dir=build-test-$kind
    echo "=== $kind build ==="
    scripts/build.sh "$dir" "$kind"
    echo "=== $kind tests ==="
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure -j1 || status=1
done
exit $status
