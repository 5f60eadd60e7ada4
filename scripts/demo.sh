#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the programs, plugs in a simulated
# Ke unit at 20-20 and runs the update: in the window when there is a display,
# otherwise with the command-line program. Then it power-cycles the unit and
# shows what the unit runs now. Everything it made goes away when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
# The tests need what only the test command installs; a build folder that
# scripts/test.sh set up keeps them.
tests=OFF
grep -qx "KE_BUILD_TESTS:BOOL=ON" build/CMakeCache.txt 2>/dev/null && tests=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKE_BUILD_TESTS="$tests" >/dev/null
cmake --build build -j"$(nproc)" --target KEFirmwareUpdate kefirmwareupdate-cli ke-unit-sim

sim=build/sim/ke-unit-sim
cli=build/cli/kefirmwareupdate-cli
gui=build/macapps/KEFirmwareUpdate/KEFirmwareUpdate
# The programs look for simulated units only when asked to.
export KE_SIMULATED_UNITS=1

work=$(mktemp -d /tmp/ke-demo-XXXXXX)
sim_pid=""
stop_unit() {
  [ -n "$sim_pid" ] || return 0
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
}
trap 'stop_unit; rm -rf "$work"' EXIT
# The session's runtime folder, where the utility finds the unit's socket; a
# private one (removed with the rest) when there is none.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  mkdir -m 0700 "$work/run"
  export XDG_RUNTIME_DIR="$work/run"
fi

# Plugs the unit in; its flashes and versions live in the state file, so a
# second start is the same unit after a power cycle.
plug_in() {
  : >"$work/sim.out"
  "$sim" --serial KE012345 --erase-ms 1500 --state "$work/unit.state" --socket demo-unit "$@" >>"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q "plugged in" "$work/sim.out" && break
    sleep 0.05
  done
  grep "plugged in" "$work/sim.out" || { cat "$work/sim.out"; exit 1; }
}

plug_in --versions 20-20
result=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$gui" ]; then
  echo "Opening the window: press Upgrade and watch the progress bar."
  "$gui" || true
else
  echo "No display here: updating with the command-line program instead."
  echo "(bash scripts/screenshots.sh shows the window in each of its states.)"
  "$cli" update --yes || result=$?
fi

echo "Power-cycling the simulated unit."
stop_unit
plug_in
"$cli" status
exit "$result"
