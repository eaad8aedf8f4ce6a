#!/usr/bin/env bash
# The texts to translate, taken from the sources into a template (po/kestrane.pot by default):
# the core's Texte("...") in Windows-1252, the command line's and the window's TexteU("...") in
# UTF-8, and the two forms of pluriel(). Usage: po/extraire.sh [template]
set -eu
ici=$(cd "$(dirname "$0")/.." && pwd)
sortie=${1:-$ici/po/kestrane.pot}
cd "$ici"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
# The core's files are Windows-1252, and the Windows-1252 texts of the others are written with
# escapes ("d\xE9" "but") that the extractor would take for UTF-8 bytes: each file is read into
# UTF-8 first, its \x escapes made characters.
for f in $(find core cli ui -name '*.h' -o -name '*.cpp' | sort); do
    grep -q 'Texte(\|TexteU(\|pluriel(' "$f" || continue
    mkdir -p "$t/$(dirname "$f")"
    case $f in core/*) source=cp1252 ;; *) source=UTF-8 ;; esac
    perl -MEncode -pe 'BEGIN { binmode STDOUT, ":utf8" } $_ = decode("'"$source"'", $_);
        s/\\x([0-9A-Fa-f]{2})/decode("cp1252", chr(hex($1)))/ge' "$f" >"$t/$f"
    echo "$t/$f" >>"$t/fichiers"
done
xgettext --from-code=UTF-8 -k -kTexte -kTexteU -kpluriel:1,2 --no-location --no-wrap -C \
    -f "$t/fichiers" -o "$sortie" 2> >(grep -v "non-ASCII\|will cause\|different from\|Consider\|^  " >&2)
