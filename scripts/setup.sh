#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root, or with sudo available).
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev
          qt6-base-dev libqt6opengl6-dev qt6-tools-dev qt6-tools-dev-tools libqt6uitools6
          xvfb xauth srecord python3 libcli11-dev nlohmann-json3-dev
          desktop-file-utils lintian dpkg-dev udev
          dbus python3-dbusmock libsystemd-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
