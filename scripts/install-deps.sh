#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing
# (with --run, also those for running the window; with --screenshots, also
# those scripts/screenshot.sh draws the README's pictures with).
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build ccache pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-qpa-plugins qt6-charts-dev
    # Qt Charts finds its OpenGL module only with these headers, which Debian does not pull in
    libqt6opengl6-dev
    libcli11-dev nlohmann-json3-dev zlib1g-dev
    # independent readers the tests check our output with
    python3-mutagen cuetools mp3val unzip lhasa
    # the fuzzing run: clang, and libFuzzer with the sanitizer runtimes
    clang libclang-rt-14-dev
    # timing the benchmarks side by side with their yardsticks
    hyperfine
    # the Debian package and the checks of what it installs
    dpkg-dev file desktop-file-utils appstream groff-base
)
# --run: also what the window needs on screen but the tests do not. A fresh
# machine has only DejaVu, which has no Japanese glyphs; IPA Gothic is the
# smallest font that has them, and fontconfig offers it to Qt as a fallback.
if [ "${1:-}" = "--run" ]; then
    packages+=(fonts-ipafont-gothic)
fi
# --screenshots: a virtual X server and ImageMagick's import to take the
# pages from it, and the Japanese font the samples' titles need.
if [ "${1:-}" = "--screenshots" ]; then
    packages+=(fonts-ipafont-gothic xvfb imagemagick)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
