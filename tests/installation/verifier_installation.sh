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

DESTDIR="$racine/arbre" cmake --install "$construction" --prefix /usr > "$racine/install.log" ||
  { cat "$racine/install.log"; echo "ÉCHEC : cmake --install"; exit 1; }
arbre=$racine/arbre/usr
bureau=$arbre/share/applications/$id.desktop
meta=$arbre/share/metainfo/$id.metainfo.xml
cle() { sed -n "s/^$1=//p" "$bureau"; }
balise() { sed -n "s:^ *<$1>\(.*\)</$1>\$:\1:p" "$meta"; }

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
verifier "usr/bin holds the program alone" egal "$(ls "$arbre/bin")" kestrane
verifier "everything under the prefix" egal "$(ls "$racine/arbre")" usr
verifier "no build-tree path in the program" \
  bash -c "! readelf -d '$arbre/bin/kestrane' | grep -F '$construction'"

# The menu entry: valid, and each key naming what is installed or registered.
verifier "desktop-file-validate" egal "$(desktop-file-validate "$bureau" 2>&1)" ""
while read -r nom attendu; do
  verifier "$nom=$attendu" egal "$(cle "$nom")" "$attendu"
done <<CLES
Type Application
Exec kestrane %F
Icon $id
Terminal false
Categories Utility;
MimeType text/x-log;text/plain;application/gzip;
CLES
verifier "French comment" grep -q "^Comment=.*journal d'accès" "$bureau"
for type in $(cle MimeType | tr ';' ' '); do
  verifier "$type known to shared-mime-info" grep -qx "$type" /usr/share/mime/types
done

# The AppStream description: valid without a single remark above pedantic, and in step with the
# menu entry, the program, the licence and the project's version.
remarques=$(appstreamcli validate --no-net "$meta" 2>&1)
verifier "appstreamcli validate" test $? -eq 0
verifier "appstreamcli remarks" bash -c "! grep -E '^[EWI]: ' <<< \"\$1\"" - "$remarques"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>:\1:p' "$meta")
verifier "id" egal "$(balise id)" "$id"
verifier "launchable" egal "$launchable" "$id.desktop"
verifier "binary" egal "$(balise binary)" kestrane
verifier "media types" egal "$(balise mediatype | tr '\n' ';')" "$(cle MimeType)"
verifier "licence" egal "$(balise project_license)" GPL-3.0-or-later
verifier "newest release" egal "$(grep -o -m1 '<release version="[^"]*"' "$meta" | cut -d'"' -f2)" "$version"
verifier "LICENSE is the GPL version 3" bash -c \
  "head -n 2 '$arbre/share/doc/kestrane/LICENSE' | tr -s ' \n' ' ' | grep -q 'GNU GENERAL PUBLIC LICENSE Version 3'"
verifier "French summary" grep -q '<summary xml:lang="fr">' "$meta"

# The icons: the drawing renders, each bitmap has the size of its folder.
verifier "SVG renders" rsvg-convert -w 32 -o "$racine/rendu.png" "$arbre/share/icons/hicolor/scalable/apps/$id.svg"
for png in "$arbre"/share/icons/hicolor/*x*/apps/"$id".png; do
  [ -e "$png" ] || continue
  taille=$(basename "$(dirname "$(dirname "$png")")")
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  verifier "$taille PNG" egal "$dimensions" "$taille"
done

# The installed program starts and is still running when stopped.
QT_QPA_PLATFORM=offscreen KESTRANE_SANS_SON=1 timeout 4 "$arbre/bin/kestrane" > "$racine/lancement.log" 2>&1
statut=$?
verifier "installed program still running after 4 s" egal "$statut" 124
[ "$statut" -eq 124 ] || cat "$racine/lancement.log"

echo "installation: $passes passed, $echecs failed"
[ "$echecs" -eq 0 ]
