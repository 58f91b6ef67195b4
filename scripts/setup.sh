#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need (only those that
# are missing), then configures and builds Quovix 5 into build/.
# Usage: [QUOVIX_TARGET=name] scripts/setup.sh [extra cmake arguments]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-tools-dev libqt6opengl6-dev
    zlib1g-dev libudev-dev libpulse-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth openbox libxcb1-dev
    pulseaudio
    poppler-utils
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# QUOVIX_TARGET names one target to build (the run script builds only the
# program); by default everything is built: program, tests, benchmarks, fuzz targets.
build=${QUOVIX_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)" ${QUOVIX_TARGET:+--target "$QUOVIX_TARGET"}
