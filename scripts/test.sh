#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test.
# KE_SANITIZE=address,undefined or thread builds with sanitizers (own build folder);
# KE_BUILD_GUI=OFF leaves out the window; extra arguments go to ctest (for example -L threaded).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
sanitize="${KE_SANITIZE:-}"
build="build${sanitize:+-${sanitize//,/-}}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKE_SANITIZE="$sanitize" -DKE_BUILD_GUI="${KE_BUILD_GUI:-ON}"
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
