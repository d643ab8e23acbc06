#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Quillmere need, when missing.
# Sourced by run.sh and test.sh; needs root or sudo only when something must be installed.
set -euo pipefail

QUILLMERE_BUILD_PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config git clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-ipafont-gothic fonts-dejavu-core
    libsndfile1-dev libopenmpt-dev libsoxr-dev libsoundtouch-dev librubberband-dev
    libfftw3-dev portaudio19-dev libpulse-dev libasound2-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libglib2.0-dev
    libcdio-dev libcdio-paranoia-dev qt6-translations-l10n libdbus-1-dev
)
QUILLMERE_TEST_PACKAGES=(
    googletest libgtest-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-22 libclang-rt-22-dev
    ffmpeg pulseaudio pulseaudio-utils libasound2-plugins cd-paranoia
    libglib2.0-bin shared-mime-info desktop-file-utils appstream
    dbus-daemon dbus-bin playerctl
)

quillmere_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
