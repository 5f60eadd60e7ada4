#!/usr/bin/env bash
# The Debian package's round trip: built with cpack from a finished build
# folder, checked by lintian, installed with dpkg, its programs run from /usr,
# then purged, leaving nothing behind. It installs and removes a package, so
# it runs as root on a throwaway machine (CI), never on a developer's.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ "$(id -u)" -eq 0 ] || { echo "check_package.sh installs a package: run it as root on a throwaway machine"; exit 1; }
if dpkg-query -W -f='${Status}' kefirmwareupdate 2>/dev/null | grep -q "ok installed"; then
  echo "kefirmwareupdate is already installed here; refusing to replace it"
  exit 1
fi

work=$(mktemp -d /tmp/ke-package-XXXXXX)
sim_pid=""
installed=0
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  # A failed check must not leave the package on the machine for the next run.
  if [ "$installed" -eq 1 ]; then dpkg --purge kefirmwareupdate >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
step() { echo "== package: $*"; }

step "build"
rm -f "$build"/kefirmwareupdate_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/kefirmwareupdate_*.deb)
[ "${#debs[@]}" -eq 1 ] || { echo "expected one package, found: ${debs[*]}"; exit 1; }
deb="${debs[0]}"

step "lintian (fails on errors and on any hardening tag)"
lintian --display-info --fail-on error "$deb" | tee "$work/lintian.out"
if grep -q "hardening-" "$work/lintian.out"; then
  echo "the programs are not built with Debian's hardening flags"
  exit 1
fi

step "no text left to be filled in"
dpkg-deb -x "$deb" "$work/contents"
placeholder="@[A-Z_]+@|example\.(org|com|net)|no licen[cs]e has been chosen"
left=$( { grep -rIlE "$placeholder" "$work/contents"
          find "$work/contents" -name "*.gz" -exec sh -c 'zcat "$1" | grep -qE "$2" && echo "$1"' sh {} "$placeholder" \;
          dpkg-deb -f "$deb" | grep -E "$placeholder"; } || true)
[ -z "$left" ] || { echo "placeholder text in: $left"; exit 1; }

step "what the package needs and recommends"
for field in "Depends: .*qt6-translations-l10n" "Depends: .*libqt6svg6" "Recommends: .*qt6-wayland"; do
  dpkg-deb -f "$deb" | grep -q "^$field" || { echo "the package's control lacks $field"; exit 1; }
done

# Where udev's daemon does not run (a container, a chroot), the install and
# remove scripts have nothing to ask it and say nothing.
quiet() {
  if ! udevadm control --ping >/dev/null 2>&1 && grep -q "reload request" "$1"; then
    echo "the package's scripts complain about udev:"; cat "$1"; exit 1
  fi
}

step "install"
installed=1
dpkg -i "$deb" 2>&1 | tee "$work/install.out"
quiet "$work/install.out"
dpkg -L kefirmwareupdate | sort >"$work/files"
for file in /usr/bin/kefirmwareupdate-cli /usr/bin/ke-unit-sim /usr/lib/udev/rules.d/70-kefirmwareupdate.rules \
            /usr/share/man/man1/kefirmwareupdate-cli.1.gz /usr/share/man/man1/ke-unit-sim.1.gz \
            /usr/share/doc/kefirmwareupdate/copyright \
            /usr/share/metainfo/org.kefirmwareupdate.KEFirmwareUpdate.metainfo.xml \
            /usr/share/kefirmwareupdate/translations/kefirmwareupdate_{de,es,fr,ja}.qm; do
  [ -e "$file" ] || { echo "missing after install: $file"; exit 1; }
done

# udev's parser on the installed rule (the machine's own rules are read too).
if command -v udevadm >/dev/null 2>&1 && [ -e /sys/class/mem/null ]; then
  udevadm test --action=add /sys/class/mem/null >"$work/udev.log" 2>&1 || true
  if grep -E "70-kefirmwareupdate\.rules:[0-9]+ " "$work/udev.log"; then
    echo "udev complains about the installed rule"
    exit 1
  fi
fi

step "kefirmwareupdate-cli status against ke-unit-sim, both from /usr/bin"
export XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state" KE_SIMULATED_UNITS=1
mkdir -m 0700 "$XDG_RUNTIME_DIR"
/usr/bin/ke-unit-sim --versions 20-25 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  grep -q "plugged in" "$work/sim.out" && break
  sleep 0.05
done
cat "$work/sim.out"
status=0
/usr/bin/kefirmwareupdate-cli status >"$work/status.out" 2>&1 || status=$?
cat "$work/status.out"
[ "$status" -eq 0 ] || { echo "kefirmwareupdate-cli status exited $status"; exit 1; }
grep -q "Installed version: *20-25" "$work/status.out" || { echo "the simulated unit was not reported"; exit 1; }
LANG=fr_FR.UTF-8 /usr/bin/kefirmwareupdate-cli status 2>&1 | grep -q "mise à niveau" ||
  { echo "the installed kefirmwareupdate-cli does not speak French"; exit 1; }
kill "$sim_pid"
wait "$sim_pid" || true
sim_pid=""

if [ -x /usr/bin/KEFirmwareUpdate ]; then
  step "the window starts offscreen from /usr and finds its interface file"
  # It runs until quit: started means alive at the time-out after its
  # controller's first line.
  status=0
  QT_QPA_PLATFORM=offscreen timeout 5 stdbuf -oL -eL /usr/bin/KEFirmwareUpdate --verbose >"$work/window.out" 2>&1 || status=$?
  head -n 5 "$work/window.out"
  { [ "$status" -eq 124 ] && grep -q "^Ctor KeFirmwareUpdate" "$work/window.out"; } ||
    { echo "the installed window did not start (exit $status)"; exit 1; }
fi

step "purge"
dpkg --purge kefirmwareupdate 2>&1 | tee "$work/purge.out"
installed=0
quiet "$work/purge.out"
if dpkg-query -W -f='${Status}' kefirmwareupdate 2>/dev/null | grep -q "ok installed"; then
  echo "still installed after purge"
  exit 1
fi
left=0
while IFS= read -r file; do
  if [ -e "$file" ] && [ ! -d "$file" ]; then echo "left behind: $file"; left=1; fi
done <"$work/files"
for dir in /usr/share/kefirmwareupdate /usr/share/doc/kefirmwareupdate; do
  if [ -e "$dir" ]; then echo "left behind: $dir"; left=1; fi
done
[ "$left" -eq 0 ]
step "round trip passed"
