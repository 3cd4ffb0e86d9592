#!/usr/bin/env bash
# Cross-builds the image libraries that Debian's JUCE takes from the system
# (libpng, libjpeg-turbo) and the remote control's QR code library
# (qr-code-generator's C++ part) as static MinGW-w64 libraries, from Debian's
# own source packages. zlib comes ready-made (libz-mingw-w64-dev).
# Usage: scripts/windows-deps.sh [PREFIX]   (default .cache/windows-deps;
# scripts/test-windows.sh keeps it in ~/.cache/tavik/windows-deps)
# A finished prefix is kept: later runs return at once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deps=$(realpath -m "${1:-.cache/windows-deps}")
prefix=$deps/prefix
recipe_version=4 # raise when the way the libraries are built changes
stamp=$prefix/.complete-$recipe_version
[ -f "$stamp" ] && exit 0

for tool in x86_64-w64-mingw32-gcc-posix cmake ninja dpkg-source; do
    command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/setup.sh" >&2; exit 2; }
done

rm -rf "$prefix" "$deps/src" "$deps/build"
mkdir -p "$prefix/include" "$prefix/lib" "$deps/src" "$deps/build"

# A private apt configuration that lists only the machine's own archives as
# source archives, so the system's apt setup stays untouched.
apt_dir=$deps/apt
rm -rf "$apt_dir"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
{
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$f"
    done
} >"$apt_dir/sources.list"
apt_options=(
    -o Dir::Etc::SourceList="$apt_dir/sources.list"
    -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
    -o Dir::State::Lists="$apt_dir/lists"
    -o Dir::Cache="$apt_dir/cache"
    -o APT::Sandbox::User=root
)
apt-get "${apt_options[@]}" update -qq
# The newest source first; when a mirror lacks it (security uploads are not
# always mirrored), the release's own version.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
for package in libpng1.6 libjpeg-turbo; do
    (cd "$deps/src" && { apt-get "${apt_options[@]}" source -qq "$package" >/dev/null 2>&1 ||
        apt-get "${apt_options[@]}" source -qq "$package/$codename" >/dev/null; })
done

toolchain=$root/cmake/MinGW-w64.cmake
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix")

# libpng: only the static library is needed.
png_src=$(find "$deps/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)
cmake -S "$png_src" -B "$deps/build/png" "${common[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF >/dev/null
cmake --build "$deps/build/png" --target png_static -j2
cp "$png_src/png.h" "$png_src/pngconf.h" "$deps/build/png/pnglibconf.h" "$prefix/include/"
cp "$deps/build/png/libpng16.a" "$prefix/lib/libpng16.a"

# libjpeg-turbo: the static library without SIMD (no assembler needed).
jpeg_src=$(find "$deps/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
cmake -S "$jpeg_src" -B "$deps/build/jpeg" "${common[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF >/dev/null
cmake --build "$deps/build/jpeg" --target jpeg-static -j2
# Its Windows jconfig.h declares boolean as unsigned char, as Windows' rpcndr.h
# does, but skips the typedef once rpcndr.h (windows.h) has been read. JUCE
# includes jpeglib.h inside a namespace after windows.h and takes boolean from
# that namespace, so the typedef must always be made (same type: no clash).
sed -i '/^#ifndef __RPCNDR_H__/,/^#endif/{/^#ifndef __RPCNDR_H__/d;/^#endif/d}' "$deps/build/jpeg/jconfig.h"
grep -q '^typedef unsigned char boolean;' "$deps/build/jpeg/jconfig.h" && ! grep -q RPCNDR "$deps/build/jpeg/jconfig.h" ||
    { echo "jconfig.h: unexpected boolean declaration" >&2; exit 1; }
# JUCE reads the library's internals (JPEG_INTERNALS), so jpegint.h goes in too.
cp "$jpeg_src/jpeglib.h" "$jpeg_src/jerror.h" "$jpeg_src/jmorecfg.h" "$jpeg_src/jpegint.h" \
    "$deps/build/jpeg/jconfig.h" "$prefix/include/"
cp "$deps/build/jpeg/libjpeg.a" "$prefix/lib/libjpeg.a"

# qrcodegen: one upstream source file, laid out as Debian's
# libqrcodegencpp-dev has it. Only the upstream tarball is fetched: Debian
# builds the file as it is, and mirrors do not always keep its packaging.
(cd "$deps/src" && apt-get "${apt_options[@]}" source --tar-only -qq qr-code-generator >/dev/null &&
    tar xf qr-code-generator_*.orig.tar.*)
qr_src=$(find "$deps/src" -maxdepth 1 -type d -iname 'qr-code-generator-*' | head -n1)
mkdir -p "$deps/build/qr" "$prefix/include/qrcodegen"
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -c "$qr_src/cpp/qrcodegen.cpp" -o "$deps/build/qr/qrcodegen.o"
x86_64-w64-mingw32-gcc-ar-posix rcs "$prefix/lib/libqrcodegencpp.a" "$deps/build/qr/qrcodegen.o"
cp "$qr_src/cpp/qrcodegen.hpp" "$prefix/include/qrcodegen/"

rm -rf "$deps/build" "$deps/src" "$apt_dir"
touch "$stamp"
echo "Windows image libraries in $prefix"
