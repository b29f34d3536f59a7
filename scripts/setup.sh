#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, testing and the demo need,
# when they are missing. Safe to run again.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-serialport-dev qt6-charts-dev libgl-dev
    libgtest-dev libgmock-dev
    gettext qt6-translations-l10n
    dpkg-dev file
    xvfb xauth fonts-liberation2
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi
echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
