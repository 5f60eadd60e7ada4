#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test.
# KE_SANITIZE=address,undefined or thread builds with sanitizers (own build folder);
# KE_BUILD_GUI=OFF leaves out the window; KE_BUILD_TYPE picks another build type
# (own build folder); KE_WERROR=ON (the default when CI=true) makes warnings
# errors; extra arguments go to ctest (for example -L threaded).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build test
sanitize="${KE_SANITIZE:-}"
type="${KE_BUILD_TYPE:-RelWithDebInfo}"
werror="${KE_WERROR:-$([ "${CI:-}" = true ] && echo ON || echo OFF)}"
build="build${sanitize:+-${sanitize//,/-}}"
[ "$type" = RelWithDebInfo ] || build="$build-$(tr '[:upper:]' '[:lower:]' <<<"$type")"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="$type" -DKE_BUILD_TESTS=ON -DKE_WERROR="$werror" \
  -DKE_SANITIZE="$sanitize" -DKE_BUILD_GUI="${KE_BUILD_GUI:-ON}"
cmake --build "$build" -j"$(nproc)"
[ "${KE_BUILD_ONLY:-}" = 1 ] && exit 0
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
