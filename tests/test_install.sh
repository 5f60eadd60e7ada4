#!/usr/bin/env bash
# An install into a staging prefix: every file in its place, each file once,
# and the installed programs run from there. The window is started offscreen
# and must find its interface file under the prefix, not in the build tree.
set -u
build="${1:?usage: test_install.sh BUILD_DIR GUI(ON|OFF) [CMAKE]}" gui="${2:?}" cmake="${3:-cmake}" failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d /tmp/ke-install-XXXXXX)
sim_pid="" stage="$work/prefix"
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT
"$cmake" --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 || {
  cat "$work/install.log" && echo "FAIL: cmake --install" && exit 1
}

# --- the files ---
icon=share/icons/hicolor/scalable/apps/kefirmwareupdate.svg id=org.kefirmwareupdate.KEFirmwareUpdate
expected=(bin/kefirmwareupdate-cli bin/ke-unit-sim share/man/man1/kefirmwareupdate-cli.1.gz share/man/man1/ke-unit-sim.1.gz
  lib/udev/rules.d/70-kefirmwareupdate.rules share/doc/kefirmwareupdate/copyright share/doc/kefirmwareupdate/changelog.gz
  share/kefirmwareupdate/translations/kefirmwareupdate_{de,es,fr,ja}.qm)
[ "$gui" = ON ] && expected+=(bin/KEFirmwareUpdate share/kefirmwareupdate/main.ui "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml" "$icon" share/man/man1/KEFirmwareUpdate.1.gz)
for file in "${expected[@]}"; do [ -f "$stage/$file" ] || fail "missing $file"; done
for program in "$stage"/bin/*; do [ -x "$program" ] || fail "not executable: $program"; done
# Each file installed by one rule only.
dups=$(grep -oE "(Installing|Up-to-date): .*" "$work/install.log" | sed -E 's/^[^:]*: //' | sort | uniq -d)
[ -z "$dups" ] || fail "installed twice: $dups"

for page in "$stage"/share/man/man1/*.1.gz; do
  gzip -t "$page" || fail "bad gzip: $page"
  warnings=$(! command -v man >/dev/null 2>&1 ||
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  zcat "$page" | grep -qF ".TH $(basename "${page^^}" .1.GZ) 1 " || fail "$page: title is not $(basename "$page" .1.gz)(1)"
done

# --- the installed programs, from the prefix ---
export XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state" KE_SIMULATED_UNITS=1
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$stage/bin/kefirmwareupdate-cli" --version >/dev/null 2>&1 || fail "kefirmwareupdate-cli --version"
"$stage/bin/ke-unit-sim" --help >/dev/null 2>&1 || fail "ke-unit-sim --help"

"$stage/bin/ke-unit-sim" --serial KE000042 --versions 20-25 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q "plugged in" "$work/sim.out" && break || sleep 0.05; done
grep -q "plugged in" "$work/sim.out" || fail "ke-unit-sim did not plug its unit in: $(cat "$work/sim.out")"
"$stage/bin/kefirmwareupdate-cli" --json status >"$work/status.json" 2>"$work/status.err" ||
  fail "kefirmwareupdate-cli status exited $?: $(cat "$work/status.json" "$work/status.err")"
grep -q '"found": *true' "$work/status.json" || fail "the simulated unit was not reported: $(cat "$work/status.json")"
grep -q '"installed_version": *"20-25"' "$work/status.json" || fail "the unit's versions were not reported"
LANG=fr_FR.UTF-8 "$stage/bin/kefirmwareupdate-cli" status 2>&1 | grep -q "mise à niveau" ||
  fail "the installed kefirmwareupdate-cli did not find its translations under the prefix"

if [ "$gui" = ON ]; then
  grep -q '<svg' "$stage/$icon" || fail "the icon is not SVG"
  ! command -v python3 >/dev/null 2>&1 || python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' \
    "$stage/$icon" || fail "the icon is not well-formed XML"
  # The window runs until it is quit: it started when it lived to the time-out (124) and
  # its controller said so (a "Ctor" line). stdbuf keeps its lines from waiting in a buffer.
  window() {
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
      timeout 5 stdbuf -oL -eL "$stage/bin/KEFirmwareUpdate" --verbose >"$work/window.out" 2>&1
    echo "exit $?, $(grep -c "^Ctor KeFirmwareUpdate" "$work/window.out") Ctor"
  }
  run=$(window)
  [[ $run == "exit 124, "[1-9]* ]] || fail "the installed window did not start ($run): $(head -c 2000 "$work/window.out")"
  # Without the interface file under the prefix it must not start, or it was not the prefix's file that it used.
  rm "$stage/share/kefirmwareupdate/main.ui"
  run=$(window)
  [[ $run != "exit 124,"* && $run == *" 0 Ctor" ]] || fail "the window started without its interface file ($run)"
fi

[ "$failures" -eq 0 ] && echo "install: all checks passed"
