#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root,
# or with sudo), skipping what is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    juce-modules-source libgtest-dev libgmock-dev nlohmann-json3-dev
    xvfb xauth xdotool imagemagick clang-format python3 tesseract-ocr tesseract-ocr-eng
    g++-mingw-w64-x86-64-posix
    libz-mingw-w64-dev googletest dpkg-dev wine wine64 fonts-wine procps
    clang libclang-rt-14-dev
    nsis lintian
    libboost-dev libqrcodegencpp-dev chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
