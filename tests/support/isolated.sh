#!/usr/bin/env bash
# Runs one test with a home, state, cache, config and runtime folder of its
# own, so that no test reads or writes the user's: every CTest test is
# started through this. The folders go when the test ends; a test that left
# anything in its home folder fails, since the programs must write only
# under the XDG folders they are given.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/ke-test-XXXXXX") || exit 1
trap 'rm -rf "$root"' EXIT
mkdir -m 0700 "$root/home" "$root/state" "$root/cache" "$root/config" "$root/data" "$root/run"
# The tests read the programs' English texts, whatever language the session
# speaks; a test of another language sets its own.
unset LANGUAGE LC_ALL LC_MESSAGES LANG
KE_TEST_ISOLATED=1 HOME="$root/home" XDG_STATE_HOME="$root/state" XDG_CACHE_HOME="$root/cache" XDG_CONFIG_HOME="$root/config" \
  XDG_DATA_HOME="$root/data" XDG_RUNTIME_DIR="$root/run" "$@"
status=$?
left=$(find "$root/home" -mindepth 1 -print -quit)
if [ -n "$left" ] && [ "$status" -eq 0 ]; then
  echo "the test left files in its home folder: $(cd "$root/home" && find . -mindepth 1 | head -n 5 | tr '\n' ' ')"
  status=1
fi
exit "$status"
