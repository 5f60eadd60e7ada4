#!/usr/bin/env bash
# Pictures of the real window in each of its states, for a newcomer without
# a display or for the README: the window runs against ke-unit-sim on a
# virtual display (Xvfb) and is driven from inside (tools/screenshots). One
# PNG per state: window-idle, window-updating, window-completed,
# window-failed (the unit refuses the CRC), window-no-unit and
# window-two-units (the popup that chooses between two units). The window
# speaks the language that LANGUAGE, LC_ALL, LC_MESSAGES and LANG choose.
#
#   bash scripts/screenshots.sh [FOLDER]     (default: docs)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs}"
mkdir -p "$out"
out=$(cd "$out" && pwd)

bash scripts/setup.sh build screenshots
tests=OFF
grep -qx "KE_BUILD_TESTS:BOOL=ON" build/CMakeCache.txt 2>/dev/null && tests=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKE_BUILD_TESTS="$tests" >/dev/null
cmake --build build -j"$(nproc)" --target ke_window_screenshots ke-unit-sim >/dev/null
sim=build/sim/ke-unit-sim
driver=build/tools/screenshots/ke_window_screenshots

work=$(mktemp -d /tmp/ke-screenshots-XXXXXX)
sim_pids=()
unplug() {
  local pid
  for pid in "${sim_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  sim_pids=()
}
trap 'unplug; rm -rf "$work"' EXIT
# Folders of its own: the window's log and the unit's socket stay out of the session's.
mkdir -m 0700 "$work/run" "$work/state"
export XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state" KE_SIMULATED_UNITS=1
unset WAYLAND_DISPLAY

# One more unit on the bus: ke-unit-sim with ARGS.
plug_in() {
  local log="$work/sim-${#sim_pids[@]}.out"
  : >"$log"
  "$sim" "$@" >>"$log" 2>&1 &
  sim_pids+=($!)
  for _ in $(seq 100); do
    grep -q "plugged in" "$log" && return 0
    sleep 0.05
  done
  cat "$log"
  exit 1
}

# The window's own lines go to a file, shown only when something went wrong.
shoot() {
  xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$driver" "$1" "$out" >>"$work/window.log" 2>&1 ||
    { echo "the window did not go through its '$1' states; its output:"; tail -n 30 "$work/window.log"; exit 1; }
}

touch "$work/start"
# The erase takes a while, as a real one does, so the bar is seen part-way.
plug_in --serial KE012345 --versions 21-20 --erase-ms 800
shoot update
unplug
plug_in --serial KE012345 --versions 21-20 --refuse-crc
shoot fail
unplug
shoot none
plug_in --socket aa-unit --serial KEAAAAAA --versions 21-20
plug_in --socket bb-unit --serial KEBBBBBB --versions 22-30
shoot two
unplug
for state in idle updating completed failed no-unit two-units; do
  picture="$out/window-$state.png"
  [ "$picture" -nt "$work/start" ] || { echo "no picture of the window $state"; exit 1; }
  echo "$picture"
done
