#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Safe to run again.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins qt6-l10n-tools
    libcurl4-openssl-dev libpcre2-dev libqrencode-dev libjpeg-dev libpng-dev zlib1g-dev
    libgtest-dev libbenchmark-dev clang clang-format
    python3 python3-pyftpdlib libglib2.0-bin dbus python3-dbus python3-gi
    fonts-wqy-microhei xvfb xauth imagemagick sox pulseaudio pulseaudio-utils xdotool python3-xlib
    unicode-data zbar-tools iproute2 util-linux procps
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update -q
    $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
