#!/usr/bin/env bash
# Runs the serial link tests (and the simulator's and tavikctl's, when built) as an ordinary
# user, as the program's users run it: some things root may do on a terminal
# (opening one another program holds exclusively) fail for everyone else.
# Run as root it switches to TAVIK_TEST_USER (default nobody); otherwise it
# runs the tests as the calling user. Extra arguments go to every binary,
# e.g. --gtest_filter='OpenPort.*'.
# Usage: scripts/test-unprivileged.sh BUILD_DIR [gtest arguments...]
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [gtest arguments...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift

binaries=()
for name in tavik_link_tests tavik_sim_tests tavik_cli_tests; do
    if [ -x "$build/tests/$name" ]; then
        binaries+=("$build/tests/$name")
    elif [ "$name" = tavik_link_tests ]; then
        echo "$build/tests/$name is not built" >&2
        exit 2
    fi
done

work=$(mktemp -d /tmp/tavik-unprivileged.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/tmp"

# The programs the tavikctl tests start.
programs=(TAVIKCTL_PROGRAM="$build/tavikctl" TAVIK_SIM_PROGRAM="$build/sim/tavik-sim")

run_as=()
if [ "$(id -u)" -eq 0 ]; then
    user=${TAVIK_TEST_USER:-nobody}
    if ! uid=$(id -u "$user" 2>/dev/null) || [ "$uid" -eq 0 ]; then
        echo "no unprivileged user '$user' (set TAVIK_TEST_USER)" >&2
        exit 2
    fi
    group=$(id -gn "$user")
    chmod 755 "$work"
    chown -R "$user:$group" "$work/home" "$work/config" "$work/tmp"
    run_as=(setpriv "--reuid=$uid" "--regid=$(id -g "$user")" --clear-groups --inh-caps=-all --)

    # The build folder may sit below one only root can enter: then the user
    # runs copies (the binaries need nothing else from the build).
    copies=()
    for binary in "${binaries[@]}"; do
        if "${run_as[@]}" test -x "$binary"; then
            copies+=("$binary")
        else
            mkdir -p "$work/bin"
            install -m 755 "$binary" "$work/bin/"
            copies+=("$work/bin/$(basename "$binary")")
        fi
    done
    binaries=("${copies[@]}")
    if [ -x "$build/tavikctl" ] && ! "${run_as[@]}" test -x "$build/tavikctl"; then
        mkdir -p "$work/bin"
        install -m 755 "$build/tavikctl" "$build/sim/tavik-sim" "$work/bin/"
        programs=(TAVIKCTL_PROGRAM="$work/bin/tavikctl" TAVIK_SIM_PROGRAM="$work/bin/tavik-sim")
    fi
fi

status=0
for binary in "${binaries[@]}"; do
    echo "=== $(basename "$binary") as $(${run_as[@]+"${run_as[@]}"} id -un) ==="
    # No display is needed; a private home keeps the tests off anyone's settings.
    ${run_as[@]+"${run_as[@]}"} env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
        TMPDIR="$work/tmp" LANG=C.UTF-8 "${programs[@]}" "$binary" "$@" || status=1
done
exit $status
