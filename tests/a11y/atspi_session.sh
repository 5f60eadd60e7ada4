#!/usr/bin/env bash
# Runs a command as a screen reader's desktop would see it, with nothing of
# the user's session: a virtual X display (Xvfb) and a private D-Bus session
# with at-spi2-core's bus launcher in it. The status is the command's:
#   atspi_session.sh COMMAND [ARG...]
set -euo pipefail
[ -n "${KE_ATSPI_SESSION:-}" ] || exec env KE_ATSPI_SESSION=1 dbus-run-session -- bash "$0" "$@"

work=$(mktemp -d "${TMPDIR:-/tmp}/ke-atspi-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work"' EXIT
# Bounded waits: 10 s, polled.
within_10s() { for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done; "$@"; }
bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true"
}

# A free display: the server names the one it took.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/log" &
within_10s test -s "$work/display" || { echo "Xvfb did not start:"; cat "$work/log"; exit 1; }
# The launcher's settings come from memory, not from the user's.
export DISPLAY=":$(head -n 1 "$work/display")" GSETTINGS_BACKEND=memory
/usr/libexec/at-spi-bus-launcher --launch-immediately 2>>"$work/log" &
within_10s bus_up || { echo "the accessibility bus did not start:"; cat "$work/log"; exit 1; }

# Qt speaks on the bus without a screen reader having asked for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
"$@"
