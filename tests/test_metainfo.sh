#!/usr/bin/env bash
# The metainfo passes appstreamcli's validation (no network) and is tied to the menu entry.
set -u
metainfo="${1:?usage: test_metainfo.sh METAINFO_FILE APP_ID}"
id="${2:?}"
if ! command -v appstreamcli >/dev/null 2>&1; then
  echo "appstreamcli is missing (package appstream): skipped"
  exit 77
fi
status=0
appstreamcli validate --no-net "$metainfo" || status=1
grep -q "<id>$id</id>" "$metainfo" || { echo "the id is not $id"; status=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  { echo "the launchable is not the menu entry $id.desktop"; status=1; }
grep -q "@[A-Z_]*@" "$metainfo" && { echo "a value was not filled in"; status=1; }
# Every paragraph, the name and the summary in each language the program speaks.
for lang in de es fr ja; do
  [ "$(grep -c "xml:lang=\"$lang\"" "$metainfo")" -eq $(($(grep -c "<p>" "$metainfo") + 2)) ] ||
    { echo "the name, summary or description is not all in $lang"; status=1; }
done
exit "$status"
