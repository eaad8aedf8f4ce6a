#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR with the prefix /usr, as the Debian package does,
# and checks what a desktop reads of it: the files and nothing more, the menu entry and the
# AppStream description as their validators see them, that each names what is really installed,
# the icons, and that the installed program starts.
# Usage: verifier_installation.sh <build folder> <application id> <version>
set -uo pipefail
construction=$1 id=$2 version=$3
racine=$(mktemp -d)
trap 'rm -rf "$racine"' EXIT
passes=0 echecs=0
verifier() {  # verifier <what is checked> <command...>
  local quoi=$1
  shift
  if "$@"; then passes=$((passes + 1)); else echo "ÉCHEC : $quoi"; echecs=$((echecs + 1)); fi
}
egal() { [ "$1" = "$2" ] || { echo "  obtenu « $1 », attendu « $2 »"; false; }; }
# Rows "what|obtained|expected", the obtained side computed when the table is read.
# One line from many, blanks squeezed, so that each value stays in its row.
uneligne() { tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
comparer() {
  while IFS='|' read -r quoi obtenu attendu; do verifier "$quoi" egal "$obtenu" "$attendu"; done
}

DESTDIR="$racine/arbre" cmake --install "$construction" --prefix /usr > "$racine/install.log" ||
  { cat "$racine/install.log"; echo "ÉCHEC : cmake --install"; exit 1; }
arbre=$racine/arbre/usr
bureau=$arbre/share/applications/$id.desktop
meta=$arbre/share/metainfo/$id.metainfo.xml
cle() { sed -n "s/^$1=//p" "$bureau" | uneligne; }
balise() { sed -n "s:^ *<$1[^>]*>\(.*\)</$1>\$:\1:p" "$meta" | tr '\n' ';'; }

# The installed files, each with its kind; nothing of the build (tests, tools) besides.
while read -r chemin genre; do
  verifier "$chemin ($genre)" test "-$genre" "$arbre/$chemin"
done <<LISTE
bin/kestrane x
share/applications/$id.desktop f
share/metainfo/$id.metainfo.xml f
share/icons/hicolor/scalable/apps/$id.svg f
share/doc/kestrane/LICENSE f
LISTE
comparer <<TABLE
usr/bin holds the program alone|$(ls "$arbre/bin" | uneligne)|kestrane
everything under the prefix|$(ls "$racine/arbre" | uneligne)|usr
build-tree paths in the program|$(readelf -d "$arbre/bin/kestrane" | grep -cF "$construction")|0
desktop-file-validate|$(desktop-file-validate "$bureau" 2>&1 | uneligne)|
Type|$(cle Type)|Application
Exec|$(cle Exec)|kestrane %F
Icon|$(cle Icon)|$id
Terminal|$(cle Terminal)|false
Categories|$(cle Categories)|Utility;
MimeType|$(cle MimeType)|text/x-log;text/plain;application/gzip;
TABLE
verifier "French comment" grep -q "^Comment=.*journal d'accès" "$bureau"
for type in $(cle MimeType | tr ';' ' '); do
  verifier "$type known to shared-mime-info" grep -qx "$type" /usr/share/mime/types
done

# The AppStream description: valid without a remark above pedantic, and in step with the menu
# entry, the program, the licence and the project's version.
remarques=$(appstreamcli validate --no-net "$meta" 2>&1)
verifier "appstreamcli validate" test $? -eq 0
comparer <<TABLE
appstreamcli remarks|$(grep -E '^[EWI]: ' <<< "$remarques" | uneligne)|
id|$(balise id)|$id;
launchable|$(balise launchable)|$id.desktop;
binary|$(balise binary)|kestrane;
media types|$(balise mediatype)|$(cle MimeType)
licence|$(balise project_license)|GPL-3.0-or-later;
licence file|$(head -n 2 "$arbre/share/doc/kestrane/LICENSE" | uneligne)|GNU GENERAL PUBLIC LICENSE Version 3, 29 June 2007
newest release|$(grep -o -m1 '<release version="[^"]*"' "$meta" | cut -d'"' -f2)|$version
summaries (en, fr)|$(grep -c '<summary' "$meta")|2
TABLE

# The icons: the drawing renders, each bitmap has the size of its folder.
verifier "SVG renders" rsvg-convert -w 32 -o "$racine/rendu.png" \
  "$arbre/share/icons/hicolor/scalable/apps/$id.svg"
for png in "$arbre"/share/icons/hicolor/*x*/apps/"$id".png; do
  [ -e "$png" ] || continue
  taille=$(basename "$(dirname "$(dirname "$png")")")
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  verifier "$taille PNG" egal "$dimensions" "$taille"
done

# The installed program starts, and is still running when stopped.
QT_QPA_PLATFORM=offscreen KESTRANE_SANS_SON=1 timeout 4 "$arbre/bin/kestrane" \
  > "$racine/lancement.log" 2>&1
statut=$?
verifier "installed program still running after 4 s" egal "$statut" 124
[ "$statut" -eq 124 ] || cat "$racine/lancement.log"

echo "installation: $passes passed, $echecs failed"
[ "$echecs" -eq 0 ]
