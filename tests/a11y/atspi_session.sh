#!/usr/bin/env bash
# Runs a command as a screen reader's desktop would see it, with nothing of
# the user's session: a virtual X display (Xvfb), a private D-Bus session
# and at-spi2-core's bus launcher inside it. The command's status is the
# script's.
#
#   atspi_session.sh COMMAND [ARG...]
set -euo pipefail
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb dbus-run-session dbus-send "$launcher"; do
  command -v "$tool" >/dev/null || { echo "atspi_session.sh: $tool is missing (scripts/setup.sh test)"; exit 1; }
done
# Once more, inside a session bus of its own.
[ -n "${KE_ATSPI_SESSION:-}" ] || exec env KE_ATSPI_SESSION=1 dbus-run-session -- bash "$0" "$@"

work=$(mktemp -d "${TMPDIR:-/tmp}/ke-atspi-XXXXXX")
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop EXIT

# A free display: the server names the one it took.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
# Bounded waits: 10 s each, polled.
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

# The launcher's settings come from memory, not from the user's.
export GSETTINGS_BACKEND=memory
"$launcher" --launch-immediately 2>"$work/launcher.log" &
pids+=($!)
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true"
}
for _ in $(seq 200); do owned && break; sleep 0.05; done
owned || { echo "the accessibility bus did not start:"; cat "$work/launcher.log"; exit 1; }

# Qt speaks on the bus without a screen reader having asked for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
status=0
"$@" || status=$?
exit "$status"
