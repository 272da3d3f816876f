#!/usr/bin/env bash
# The catalogues are complete: every text marked in src/ and tools/ (as lupdate finds it) has a
# finished translation in each translations/kalidor_<language>.ts, and no line of src/ or tools/
# holds a Japanese text outside a marker (tr, translate, QT_TRANSLATE_NOOP) unless it says "not
# translated" (face names, the user's data). So a new Japanese text without its English fails.
# Usage: check_catalogues.sh <source tree> <lupdate> <lrelease>
set -euo pipefail
root=$1 lupdate=$2 lrelease=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
status=0
shopt -s nullglob
catalogues=("$root"/translations/kalidor_*.ts)
[ ${#catalogues[@]} -gt 0 ] || { echo "no catalogue in $root/translations"; exit 1; }
for catalogue in "${catalogues[@]}"; do
  copy="$work/$(basename "$catalogue")"
  cp "$catalogue" "$copy"
  "$lupdate" -silent -locations none -no-obsolete -extensions cpp,h "$root/src" "$root/tools" -ts "$copy"
  said=$("$lrelease" "$copy" -qm "$copy.qm")
  if ! grep -q " 0 unfinished)" <<<"$said" || grep -q "untranslated" <<<"$said"; then
    echo "$(basename "$catalogue"): lrelease says: $said"
    echo "  texts without a finished translation (run the update_translations target, then translate):"
    grep -B1 '<translation type="unfinished"' "$copy" | grep -o '<source>.*' | sed 's/^/    /'
    status=1
  fi
done

# Japanese outside a marker; comments are no text. A line that goes on with a literal (a long
# text in parts) takes the marker of the line it continues.
japanese='[\x{3000}-\x{30ff}\x{4e00}-\x{9fff}\x{ff00}-\x{ffef}]'
marker='tr\(|translate\(|QT_TRANSLATE_NOOP|not translated'
while IFS= read -r hit; do
  file=${hit%%:*} rest=${hit#*:}
  number=${rest%%:*} line=${rest#*:}
  grep -qP "\"[^\"]*$japanese" <<<"${line%%//*}" || continue
  while ! grep -qP "$marker" <<<"$line" && [[ $line =~ ^[[:space:]]*\" ]] && [ "$number" -gt 1 ]; do
    number=$((number - 1))
    line=$(sed -n "${number}p" "$file")
  done
  if ! grep -qP "$marker" <<<"$line"; then
    echo "a Japanese text outside tr()/QT_TRANSLATE_NOOP: ${hit#"$root/"}"
    status=1
  fi
done < <(grep -rnP --include='*.cpp' --include='*.h' "\"[^\"]*$japanese" "$root/src" "$root/tools" || true)
[ $status = 0 ] && echo "every marked text is translated in: ${catalogues[*]##*/}"
exit $status
