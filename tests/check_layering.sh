#!/usr/bin/env bash
# Includes point one way: cli -> macapps and what macapps may use;
# macapps -> macclasses, platform; macclasses -> platform; platform ->
# system, Qt and the simulated unit's transport interface; sim -> nothing of
# the application.
set -u
root="${1:-$(dirname "$0")/..}"
cd "$root" || exit 2
status=0
check() {  # folder, allowed project prefixes (regex)
  local dir="$1" allowed="$2"
  while IFS= read -r line; do
    file="${line%%:*}"
    inc=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
    case "$inc" in */*) ;; *) continue ;; esac  # same-folder or generated headers
    if ! grep -qE "^($allowed)" <<<"$inc"; then
      echo "$file includes $inc"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include "' "$dir" --include='*.h' --include='*.cpp' | sed -E 's/^([^:]+):[0-9]+:/\1:/')
}
check macapps 'macapps/|macclasses/|platform/'
check cli 'cli/|macapps/|macclasses/|platform/'
check macclasses 'macclasses/|platform/'
check platform 'platform/|sim/UnitPort\.h|sim/SimWireProtocol\.h'
check sim 'sim/'
# The results of reading a unit and of a job, and the headers that only
# need them, stand below the controller: none includes it, and the results
# know no Qt.
results=macapps/KEFirmwareUpdate
for file in $results/KeResults.h $results/KeResults.cpp $results/KeText.h $results/KeText.cpp \
  $results/UnitReading.h $results/UnitReading.cpp $results/UpdateHistory.h $results/UnitChoice.h \
  $results/UnitSurvey.h; do
  if [ ! -f "$file" ]; then
    echo "$file is missing"
    status=1
  elif grep -nE '^\s*#\s*include\s*[<"](macapps/KEFirmwareUpdate/kefirmwareupdate\.h|Q)' "$file"; then
    echo "$file includes the controller or Qt"
    status=1
  fi
done
exit $status
