#!/usr/bin/env bash
# Builds the Debian package from a Linux build folder (cpack -G DEB) and
# proves it: lintian finds no error and no program built without the
# distribution's hardening, dpkg installs it into a scratch root
# whose database holds only the packages it depends on (so dpkg itself
# checks the declared dependencies), the files are in place, and the
# installed programs run. Needs root (dpkg --root), as the test command does.
# Usage: scripts/test-deb.sh BUILD_DIR
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CPackConfig.cmake" ]; then
    echo "usage: $0 BUILD_DIR (a configured Linux build)" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
fail() {
    echo "FAIL $*" >&2
    exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
programs=(tavikcontrol tavik-sim)
if ninja -C "$build" -t query tavikctl >/dev/null 2>&1; then
    programs+=(tavikctl)
fi
cmake --build "$build" --target "${programs[@]}"

rm -f "$build"/tavik_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/tavik_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack wrote no single tavik_*.deb"
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "tavik_${version}_${arch}.deb" ] || fail "package name $(basename "$deb"), expected tavik_${version}_${arch}.deb"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Version Depends Recommends Installed-Size

# dpkg-shlibdeps ran: the C library comes from the binaries, not from our list.
dpkg-deb -f "$deb" Depends | grep -Eq '(^|, )libc6 \(>= [0-9.]+\)' || fail "no shared-library dependencies"

echo "--- lintian"
report=$(lintian --display-level '>=info' --fail-on error "$deb") || { echo "$report"; fail "lintian reports errors"; }
echo "$report"
echo "--- lintian done"
# The programs are built hardened (cmake/Hardening.cmake): lintian names any
# that lacks fortified functions, the stack protector, RELRO, bind-now or PIE.
! grep -E 'hardening-no-' <<<"$report" >/dev/null || fail "lintian finds programs built without hardening"

# A scratch root whose dpkg database lists only our dependencies, copied
# from this machine's: dpkg refuses the package if any is unmet.
root=$(mktemp -d /tmp/tavik-deb-root.XXXXXX)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
for p in $(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g; /^$/d' | sort -u); do
    if dpkg-query -s "$p" >/dev/null 2>&1; then
        { dpkg-query -s "$p"; echo; } >>"$root/var/lib/dpkg/status"
        touch "$root/var/lib/dpkg/info/$p.list" # no files of theirs to guard
    fi
done
dpkg --root="$root" -i "$deb" >/dev/null || fail "dpkg --root -i"
dpkg --root="$root" -s tavik | grep -q '^Status: install ok installed' || fail "not installed"

for f in "${programs[@]/#/usr/bin/}" usr/share/applications/tavikcontrol.desktop \
    usr/share/icons/hicolor/256x256/apps/tavikcontrol.png usr/share/doc/tavik/README.Debian \
    usr/share/doc/tavik/copyright usr/share/doc/tavik/changelog.gz; do
    [ -f "$root/$f" ] || fail "/$f missing"
done
grep -q 'adduser "$USER" dialout' "$root/usr/share/doc/tavik/README.Debian" || fail "README.Debian lacks the dialout step"
for p in "${programs[@]}"; do
    ! ldd "$root/usr/bin/$p" | grep 'not found' || fail "$p lacks a library"
done

"$root/usr/bin/tavik-sim" --help | grep -q '^Usage: tavik-sim' || fail "installed tavik-sim --help"
[ "$("$root/usr/bin/tavik-sim" --version)" = "tavik-sim $(dpkg-deb -f "$deb" Version)" ] ||
    fail "tavik-sim --version differs from the package's version"
if [[ " ${programs[*]} " == *" tavikctl "* ]]; then
    "$root/usr/bin/tavikctl" --help >/dev/null || fail "installed tavikctl --help"
fi
echo "package: installed into a scratch root and ran: ${programs[*]}"
