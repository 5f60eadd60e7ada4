#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, plugs in a simulated Ke unit at
# 20-20 and runs the update: in the window when there is a display, otherwise
# with the command-line program. The simulated unit goes away when this ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

sim=build/sim/ke-unit-sim
cli=build/macapps/KEFirmwareUpdate/cli/kefirmwareupdate-cli
gui=build/macapps/KEFirmwareUpdate/KEFirmwareUpdate

# A private runtime folder unless the session has one: the utility finds the
# simulated unit's socket there.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
# The programs look for simulated units only when asked to.
export KE_SIMULATED_UNITS=1
state=$(mktemp -d)
"$sim" --versions 20-20 --serial KE012345 --erase-ms 1500 --state "$state/unit.state" --socket demo-unit &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$state"' EXIT
for _ in $(seq 50); do
  [ -S "$XDG_RUNTIME_DIR/kefirmwareupdate/demo-unit.sock" ] && break
  sleep 0.1
done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$gui" ]; then
  echo "Opening the window: press Upgrade and watch the progress bar."
  "$gui"
else
  echo "No display here: updating with the command-line program instead."
  echo "(To see the window without a display: xvfb-run -a bash scripts/demo.sh, then take a screenshot, or run it on a desktop.)"
  "$cli" status
  "$cli" update --yes
fi
