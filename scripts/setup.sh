#!/usr/bin/env bash
# Installs on Debian 12 (as root, or with sudo available) what the named sets
# need; with no name, the build set:
#   build        building and running the programs (scripts/demo.sh)
#   test         the tests (the accessibility one needs a virtual display and
#                an accessibility bus) and the package checks (scripts/test.sh, .ci/run)
#   screenshots  the window under a virtual display (scripts/screenshots.sh)
set -euo pipefail
build=(cmake g++ make pkg-config
       qt6-base-dev libqt6opengl6-dev qt6-tools-dev qt6-tools-dev-tools libqt6uitools6
       libcli11-dev nlohmann-json3-dev libsystemd-dev)
test=(libgtest-dev libgmock-dev python3 srecord
      desktop-file-utils appstream lintian dpkg-dev udev dbus python3-dbusmock
      xvfb x11-utils at-spi2-core python3-gi gir1.2-atspi-2.0)
screenshots=(xvfb xauth)

[ $# -gt 0 ] || set -- build
packages=()
for set in "$@"; do
  case "$set" in
    build) packages+=("${build[@]}") ;;
    test) packages+=("${test[@]}") ;;
    screenshots) packages+=("${screenshots[@]}") ;;
    *) echo "setup.sh: unknown set '$set' (build, test, screenshots)" >&2; exit 64 ;;
  esac
done
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
