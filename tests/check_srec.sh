#!/usr/bin/env bash
# The microcontroller image read by an independent S-record tool: every
# checksum good, the three address runs and the start address as built.
set -eu
image="$1"
command -v srec_info >/dev/null || { echo "srec_info (package srecord) is not installed"; exit 77; }
info=$(srec_info "$image")
echo "$info"
srec_cat "$image" -o /dev/null  # stops on any bad record or checksum
grep -q "Execution Start Address: 00020300" <<<"$info"
grep -q "020000 - 0201FF" <<<"$info"
grep -q "020300 - 026937" <<<"$info"
grep -q "030000 - 03043B" <<<"$info"
