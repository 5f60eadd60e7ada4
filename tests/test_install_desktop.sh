#!/usr/bin/env bash
# The menu entry passes desktop-file-validate and names what the package installs.
set -u
entry="${1:?usage: test_install_desktop.sh DESKTOP_FILE}"
if ! command -v desktop-file-validate >/dev/null 2>&1; then
  echo "desktop-file-validate is missing (package desktop-file-utils): skipped"
  exit 77
fi
status=0
desktop-file-validate "$entry" || status=1
grep -qx 'Exec=KEFirmwareUpdate' "$entry" || { echo "Exec is not the window program"; status=1; }
grep -qx 'Icon=kefirmwareupdate' "$entry" || { echo "Icon is not the installed icon's name"; status=1; }
grep -qx 'Terminal=false' "$entry" || { echo "the window needs no terminal"; status=1; }
for key in Name[{de,es,fr,ja}] GenericName[{de,es,fr,ja}] Comment[{de,es,fr,ja}]; do
  grep -qF "$key=" "$entry" || { echo "no $key"; status=1; }
done
[ "$status" -eq 0 ] && echo "desktop entry: valid"
exit "$status"
