#!/usr/bin/env bash
# Drives the built program end to end (tests/e2e): each scenario starts its
# own X server, simulator and program with a private home folder, as an
# ordinary user (run as root it switches to TAVIK_TEST_USER, default nobody:
# root hides faults such as a port that cannot be reopened). Screenshots and
# what each scenario left behind go to BUILD_DIR/e2e-artifacts.
# Usage: scripts/test-e2e.sh BUILD_DIR [scenario...]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [scenario...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
for binary in "$build/tavikcontrol" "$build/sim/tavik-sim"; do
    [ -x "$binary" ] || { echo "$binary is not built" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tavik-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The user gets copies of everything it runs: the build and the source may
# sit below folders only root can enter.
mkdir -p "$work/bin" "$work/e2e" "$work/artifacts" "$work/tmp"
install -m 755 "$build/tavikcontrol" "$build/sim/tavik-sim" "$work/bin/"
[ -x "$build/tavikctl" ] && install -m 755 "$build/tavikctl" "$work/bin/"
install -m 644 tests/e2e/*.py "$work/e2e/"

run_as=()
if [ "$(id -u)" -eq 0 ]; then
    user=${TAVIK_TEST_USER:-nobody}
    if ! uid=$(id -u "$user" 2>/dev/null) || [ "$uid" -eq 0 ]; then
        echo "no unprivileged user '$user' (set TAVIK_TEST_USER)" >&2
        exit 2
    fi
    chmod 755 "$work"
    chown -R "$user:$(id -gn "$user")" "$work/artifacts" "$work/tmp"
    run_as=(setpriv "--reuid=$uid" "--regid=$(id -g "$user")" --clear-groups --inh-caps=-all --)
fi

status=0
${run_as[@]+"${run_as[@]}"} env -i PATH=/usr/bin:/bin HOME="$work/tmp" TMPDIR="$work/tmp" LANG=C.UTF-8 \
    /usr/bin/python3 -u "$work/e2e/e2e.py" --program "$work/bin/tavikcontrol" --simulator "$work/bin/tavik-sim" \
    --tavikctl "$work/bin/tavikctl" \
    --artifacts "$work/artifacts" "$@" || status=$?

rm -rf "$build/e2e-artifacts"
cp -r "$work/artifacts" "$build/e2e-artifacts"
echo "screenshots and scenario files: $build/e2e-artifacts"
exit $status
