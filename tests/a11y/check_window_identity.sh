#!/usr/bin/env bash
# The window as a dock or task bar sees it on X11 (run in atspi_session.sh's
# display): the class of its desktop entry's StartupWMClass, and an icon.
#   check_window_identity.sh PROGRAM DESKTOP_ENTRY
set -u
program="${1:?usage: check_window_identity.sh PROGRAM DESKTOP_ENTRY}" entry="${2:?}"
class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$class" ] || { echo "FAIL: $entry has no StartupWMClass"; exit 1; }

"$program" >"${TMPDIR:-/tmp}/ke-identity-$$.out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -f "${TMPDIR:-/tmp}/ke-identity-$$.out"' EXIT
# The program's shown top-level window, once there is one (10 s at most).
window=""
for _ in $(seq 100); do
  for id in $(xwininfo -root -children 2>/dev/null | grep -oE '^ +0x[0-9a-f]+'); do
    xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -q "= $pid$" &&
      xwininfo -id "$id" | grep -q "IsViewable" && window=$id
  done
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window shown: $(cat "${TMPDIR:-/tmp}/ke-identity-$$.out")"; exit 1; }

status=0
wm_class=$(xprop -id "$window" WM_CLASS)
[[ $wm_class == *", \"$class\"" ]] || { echo "FAIL: $wm_class, the desktop entry says $class"; status=1; }
# _NET_WM_ICON: width, height, then one pixel a number.
read -r width height pixels < <(xprop -id "$window" -f _NET_WM_ICON 32c _NET_WM_ICON |
  awk -F'[=,]' 'NR == 1 && NF > 3 { print $2 + 0, $3 + 0, NF - 3 }')
if [ "${width:-0}" -lt 16 ] || [ "${height:-0}" -lt 16 ] || [ "${pixels:-0}" -lt $((width * height)) ]; then
  echo "FAIL: the window has no icon (_NET_WM_ICON: ${width:-none} x ${height:-none}, ${pixels:-0} pixels)"
  status=1
fi
[ "$status" -eq 0 ] && echo "window identity: class $class, icon ${width}x${height}"
exit "$status"
