#!/usr/bin/env bash
# Installs each package's part of the build into a temporary DESTDIR with the prefix /usr, as the
# Debian packages do, and checks what a system reads of it: the files and nothing more, the
# documents Debian expects, the manual pages (clean for man, with the options of --help), the
# menu entry and the AppStream description as their validators see them, that each names what
# is really installed, the icons, the defaults of other file types left alone, and that the
# installed programs start.
# Usage: verifier_installation.sh <build folder> <application id> <version> <packages>
# (<packages>: "kestrane-rapport;kestrane", or the first alone when the window is not built).
set -uo pipefail
construction=$1 id=$2 version=$3 paquets=$4
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
installer() {  # installer <package>: its part of the build under $racine/<package>
  DESTDIR="$racine/$1" cmake --install "$construction" --prefix /usr --component "$1" \
    > "$racine/install-$1.log" || { cat "$racine/install-$1.log"; echo "ÉCHEC : cmake --install $1"; exit 1; }
}
# The options a text names, one per line, sorted: "--help" and the like at a line's start.
options() { grep -oE '^ *--[a-z][a-z-]*' | tr -d ' ' | sort -u | uneligne; }
# The manual page as man shows it: its warnings, and its text.
manuel() { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$@"; }

# What each package holds, and what Debian expects of it.
verifier_paquet() {  # verifier_paquet <package> <program>
  local paquet=$1 programme=$2 arbre=$racine/$1/usr
  installer "$paquet"
  verifier "$paquet: bin/$programme" test -x "$arbre/bin/$programme"
  local page=$arbre/share/man/man1/$programme.1.gz doc=$arbre/share/doc/$paquet
  local changelog=$racine/changelog-$paquet
  zcat "$doc/changelog.gz" > "$changelog"
  comparer <<TABLE
$paquet: usr/bin holds its program alone|$(ls "$arbre/bin" | uneligne)|$programme
$paquet: everything under the prefix|$(ls "$racine/$paquet" | uneligne)|usr
$paquet: build-tree paths in the program|$(readelf -d "$arbre/bin/$programme" | grep -cF "$construction")|0
$paquet: documents|$(ls "$doc" | grep -v README.md | uneligne)|changelog.gz copyright
$paquet: changelog's newest version|$(dpkg-parsechangelog -l "$changelog" -S Version 2>&1 | uneligne)|$version
$paquet: changelog's source|$(dpkg-parsechangelog -l "$changelog" -S Source 2>&1 | uneligne)|kestrane
$paquet: licence named in copyright|$(grep -c '/usr/share/common-licenses/GPL-3' "$doc/copyright")|1
$paquet: man's warnings|$(manuel "$page" 2>&1 > /dev/null | uneligne)|
$paquet: manual page's name|$(manuel "$page" 2> /dev/null | sed -n '/^NOM/{n;p;q}' | awk '{print $1}')|$programme
$paquet: options of the manual page and of --help|$(manuel "$page" 2> /dev/null | sed -n '/^OPTIONS/,/^[A-Z]/p' | options)|$("$arbre/bin/$programme" --help | options)
$paquet: options of --help|$("$arbre/bin/$programme" --help | options | wc -w)|25
$paquet: exit codes in the manual page|$(manuel "$page" 2> /dev/null | sed -n '/^CODE DE SORTIE/,/^[A-Z]/p' | grep -oE '^ +[0-9]+ ' | uneligne)|0 1
TABLE
  verifier "$paquet: gzip -9 of the man page and changelog" \
    test "$(zcat "$page" | gzip -9 -n | cmp - "$page" && zcat "$doc/changelog.gz" | gzip -9 -n | cmp - "$doc/changelog.gz" && echo ok)" = ok
  verifier "$paquet: the GPL where copyright says" test -s /usr/share/common-licenses/GPL-3
  # The English catalogue comes with the command line, found from where the program lies.
  if [ "$programme" = kestrane-rapport ]; then
    verifier "$paquet: --help in English by the locale" test "$(env -u LC_ALL -u LC_MESSAGES \
      LANG=en_GB.UTF-8 "$arbre/bin/$programme" --help | grep -c 'shows this help')" = 1
  fi
}

# The command line's package: nothing of Qt or ALSA, and it works from where it is installed.
verifier_paquet kestrane-rapport kestrane-rapport
arbre=$racine/kestrane-rapport/usr
comparer <<TABLE
kestrane-rapport: its files|$(cd "$racine/kestrane-rapport" && find . -type f | sort | uneligne)|./usr/bin/kestrane-rapport ./usr/share/doc/kestrane-rapport/changelog.gz ./usr/share/doc/kestrane-rapport/copyright ./usr/share/locale/en/LC_MESSAGES/kestrane.mo ./usr/share/man/man1/kestrane-rapport.1.gz
kestrane-rapport: Qt or ALSA among the libraries|$(readelf -d "$arbre/bin/kestrane-rapport" | grep NEEDED | grep -ciE 'qt|asound')|0
kestrane-rapport: version|$("$arbre/bin/kestrane-rapport" --version)|kestrane-rapport (Kestrane) $version
TABLE
head -n 50 "$(dirname "$0")/../../samples/acces-5000.log" > "$racine/a.log"
verifier "kestrane-rapport: a report from the installed program" \
  env -u DISPLAY "$arbre/bin/kestrane-rapport" --rapport "$racine/r.html" "$racine/a.log" > /dev/null
verifier "kestrane-rapport: the report written" grep -q "50 lignes analys" "$racine/r.html"

case ";$paquets;" in
  *";kestrane;"*) ;;
  *) echo "installation: $passes passed, $echecs failed"; [ "$echecs" -eq 0 ]; exit ;;
esac

# The window's package.
verifier_paquet kestrane kestrane
arbre=$racine/kestrane/usr
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
share/doc/kestrane/copyright f
LISTE
comparer <<TABLE
desktop-file-validate|$(desktop-file-validate "$bureau" 2>&1 | uneligne)|
Type|$(cle Type)|Application
Exec|$(cle Exec)|kestrane %F
Icon|$(cle Icon)|$id
Terminal|$(cle Terminal)|false
Categories|$(cle Categories)|Utility;
MimeType|$(cle MimeType)|text/x-log;
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
binary|$(balise binary)|kestrane;kestrane-rapport;
media types|$(balise mediatype)|$(cle MimeType)
licence|$(balise project_license)|GPL-3.0-or-later;
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

# The menu entry offers Kestrane for logs and takes no other type: with a text editor installed
# beside it (named to sort after it, as update-desktop-database orders them) and no user choice
# (a fresh mimeapps.list), the defaults of plain text and gzip files stay the editor's.
xdg=$racine/xdg
mkdir -p "$xdg/config" "$xdg/donnees" "$xdg/share/applications"
printf '[Default Applications]\n' > "$xdg/config/mimeapps.list"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Éditeur' 'Exec=editeur %F' \
  'MimeType=text/plain;application/gzip;' > "$xdg/share/applications/org.exemple.Editeur.desktop"
defauts() {  # the default application of each type, as xdg-mime answers without a desktop
  update-desktop-database "$xdg/share/applications"
  for type in text/plain application/gzip text/x-log; do
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
      XDG_CONFIG_HOME="$xdg/config" XDG_CONFIG_DIRS="$xdg/config" XDG_DATA_HOME="$xdg/donnees" \
      XDG_DATA_DIRS="$xdg/share" xdg-mime query default "$type"
    echo "$type"
  done | uneligne
}
avant=$(defauts)
cp "$bureau" "$xdg/share/applications/"
comparer <<TABLE
defaults before installing|$avant|org.exemple.Editeur.desktop text/plain org.exemple.Editeur.desktop application/gzip text/x-log
defaults after|$(defauts)|org.exemple.Editeur.desktop text/plain org.exemple.Editeur.desktop application/gzip $id.desktop text/x-log
TABLE

# The installed program starts, and is still running when stopped.
QT_QPA_PLATFORM=offscreen KESTRANE_SANS_SON=1 timeout 4 "$arbre/bin/kestrane" \
  > "$racine/lancement.log" 2>&1
statut=$?
verifier "installed program still running after 4 s" egal "$statut" 124
[ "$statut" -eq 124 ] || cat "$racine/lancement.log"

echo "installation: $passes passed, $echecs failed"
[ "$echecs" -eq 0 ]
