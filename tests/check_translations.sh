#!/usr/bin/env bash
# Every translation complete and current: lupdate reads the sources into
# copies of translations/*.ts (the same folders as translations/CMakeLists.txt),
# and each copy must have no unfinished text, none that vanished from the
# code, and every placeholder (%1, %n ...) of a source text in its translation.
set -u
source_dir="${1:?usage: check_translations.sh SOURCE_DIR LUPDATE}" lupdate="${2:?}"
work=$(mktemp -d /tmp/ke-translations-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$source_dir"/translations/*.ts "$work"/ || exit 1
(cd "$source_dir" && "$lupdate" -silent -locations none -extensions cpp,h,ui cli macapps macclasses platform \
  -ts "$work"/*.ts) 2>"$work/lupdate.err" || { cat "$work/lupdate.err"; exit 1; }
python3 - "$work"/*.ts <<'PY'
import re, sys, xml.etree.ElementTree as ET
placeholder = re.compile(r"%(?:L?[1-9][0-9]?|n)")
faults = []
for path in sys.argv[1:]:
    name = path.rsplit("/", 1)[-1]
    for context in ET.parse(path).getroot().iter("context"):
        where = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            kind = translation.get("type", "")
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            if kind in ("obsolete", "vanished"):
                faults.append(f"{name}: {where}: no longer in the code: {source!r}")
            elif kind == "unfinished" or not all(forms):
                faults.append(f"{name}: {where}: not translated: {source!r}")
            else:
                wanted = sorted(set(placeholder.findall(source)))
                for form in forms:
                    if sorted(set(placeholder.findall(form))) != wanted:
                        faults.append(f"{name}: {where}: placeholders {wanted} of {source!r} not in {form!r}")
print("\n".join(faults) if faults else "translations: complete")
sys.exit(1 if faults else 0)
PY
