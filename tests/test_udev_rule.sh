#!/usr/bin/env bash
# The udev rule gives the video group and the logged-in user the FireWire node
# of a Ke unit (unit directory 0x000a27 / 0x000011) and nothing else.
#
# udev cannot match ATTR keys against a made-up device, so the rule's units pattern
# is matched here with bash's globs, as udev does with fnmatch(3) for each '|'
# alternative. Where possible udev's own parser reads the file too.
set -u
rule_file="${1:?usage: test_udev_rule.sh RULES_FILE}" failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- the file: one rule, numbered below 73 so that uaccess is applied ---
name=$(basename "$rule_file")
[[ $name =~ ^([0-9]{2})-.*\.rules$ ]] && ((10#${BASH_REMATCH[1]} < 73)) ||
  fail "$name: must be NN-*.rules with NN below 73"
mapfile -t rules < <(grep -vE '^[[:space:]]*(#|$)' "$rule_file")
[ "${#rules[@]}" -eq 1 ] || fail "expected exactly one rule, found ${#rules[@]}"
rule="${rules[0]:-}"

# --- its keys: KEY[{attr}] OP "value", separated by commas ---
declare -A match assign
rest="$rule"
token='^[[:space:]]*([A-Z]+(\{[^}]*\})?)[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*"([^"]*)"[[:space:]]*(,(.*))?$'
while [ -n "${rest//[[:space:]]/}" ]; do
  [[ $rest =~ $token ]] || { fail "cannot parse the rule at: $rest" && break; }
  key="${BASH_REMATCH[1]}" op="${BASH_REMATCH[3]}" value="${BASH_REMATCH[4]}" rest="${BASH_REMATCH[6]}"
  case "$op" in
    ==) match[$key]="$value" ;;
    !=) fail "unexpected negative match $key" ;;
    *) assign[$key]="$op$value" ;;
  esac
done
[ "${match[SUBSYSTEM]:-}" = firewire ] || fail "SUBSYSTEM must be firewire"
assigned=$(for key in "${!assign[@]}"; do echo "$key${assign[$key]}"; done | sort | paste -sd ' ')
want='GROUP=video MODE=0660 TAG+=uaccess'
[ "$assigned" = "$want" ] || fail "assigns '$assigned', not exactly '$want'"
pattern="${match[ATTR{units\}]:-}"
[ -n "$pattern" ] || fail "no ATTR{units} match"

# --- the units pattern against sample nodes ---
matches() {  # units value -> status 0 when any alternative matches
  local units="$1" alternative IFS='|'
  for alternative in $pattern; do
    # shellcheck disable=SC2053  # the right side is a glob on purpose
    [[ $units == $alternative ]] && return 0
  done
  return 1
}
ours=0x000a27:0x000011 other=0x00a02d:0x010001 third=0x00609e:0x010483
should_match=("$ours" "$other $ours" "$ours $other" "$other $ours $third")
# Same maker another unit; starts or ends like ours; another maker; upper-case hex (sysfs writes lower-case).
should_not_match=("" "$other" "$other $third" 0x000a27:0x000012 0x000a27:0x0000111 0x000a27:0x000011x
  x0x000a27:0x000011 10x000a27:0x000011 0x000a28:0x000011 0x000A27:0x000011 "0x000a27:0x000012 0x000a28:0x000011"
  "$other 0x000a27:0x0000111" "0x000a27:0x0000110 $other" "0x000a27:0x000011;")
for units in "${should_match[@]}"; do matches "$units" || fail "does not match units '$units'"; done
for units in "${should_not_match[@]}"; do matches "$units" && fail "matches units '$units'"; done

# --- udev's own parser, in a private mount namespace so nothing real changes ---
if command -v udevadm >/dev/null 2>&1 && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify "$rule_file" || fail "udevadm verify"
elif command -v udevadm >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null &&
  [ -e /sys/class/mem/null ]; then
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  cp "$rule_file" "$dir/"
  log=$(unshare -m sh -c '
    for d in /etc/udev/rules.d /run/udev /dev/char; do mount -t tmpfs none "$d" || exit 99; done
    mount --bind "$1" /usr/lib/udev/rules.d || exit 99
    udevadm test --action=add /sys/class/mem/null' sh "$dir" 2>&1)
  if [ $? -eq 99 ]; then
    echo "note: no private mounts here; udev's parser not run"
  elif ! grep -q "Reading rules file: .*/$name" <<<"$log"; then
    fail "udevadm did not read the rule"
  elif grep -E "/$name:[0-9]+ " <<<"$log"; then
    fail "udevadm complains about the rule"
  fi
else
  echo "note: neither 'udevadm verify' nor a private mount namespace; udev's parser not run"
fi

[ "$failures" -eq 0 ] && echo "udev rule: all checks passed"
