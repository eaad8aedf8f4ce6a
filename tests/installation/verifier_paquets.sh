#!/usr/bin/env bash
# Makes the Debian packages of a build with cpack, in a temporary folder, and checks them as apt
# would take them: two packages, the command line's without Qt or ALSA among its dependencies,
# the window's depending on it at the same version, no file in both, each with its copyright and
# changelog; and lintian's verdict when lintian is installed (scripts/paquets.sh installs it).
# Usage: verifier_paquets.sh <build folder> <version>
set -uo pipefail
construction=$1 version=$2
sortie=$(mktemp -d)
trap 'rm -rf "$sortie"' EXIT
passes=0 echecs=0
verifier() {
  local quoi=$1
  shift
  if "$@"; then passes=$((passes + 1)); else echo "ÉCHEC : $quoi"; echecs=$((echecs + 1)); fi
}
egal() { [ "$1" = "$2" ] || { echo "  obtenu « $1 », attendu « $2 »"; false; }; }
comparer() {
  while IFS='|' read -r quoi obtenu attendu; do verifier "$quoi" egal "$obtenu" "$attendu"; done
}
uneligne() { tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

(cd "$construction" && cpack -B "$sortie" > "$sortie/cpack.log" 2>&1) ||
  { cat "$sortie/cpack.log"; echo "ÉCHEC : cpack"; exit 1; }
arch=$(dpkg --print-architecture)
rapport=$sortie/kestrane-rapport_${version}_$arch.deb
fenetre=$sortie/kestrane_${version}_$arch.deb
champ() { dpkg-deb -f "$1" "$2"; }
fichiers() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
dependances() { champ "$1" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort | uneligne; }

comparer <<TABLE
packages made|$(cd "$sortie" && ls *.deb | uneligne)|kestrane-rapport_${version}_$arch.deb kestrane_${version}_$arch.deb
kestrane-rapport: name, version|$(champ "$rapport" Package) $(champ "$rapport" Version)|kestrane-rapport $version
kestrane-rapport: Qt or ALSA among its dependencies|$(dependances "$rapport" | tr ' ' '\n' | grep -ciE 'qt|asound')|0
kestrane-rapport: its dependencies|$(dependances "$rapport")|libc6 libgcc-s1 libicu72 liblz4-1 libmaxminddb0 libpcre2-8-0 libpq5 libsimdjson14 libsqlite3-0 libstdc++6 zlib1g
kestrane-rapport: its files|$(fichiers "$rapport" | uneligne)|./usr/bin/kestrane-rapport ./usr/share/doc/kestrane-rapport/changelog.gz ./usr/share/doc/kestrane-rapport/copyright ./usr/share/locale/en/LC_MESSAGES/kestrane.mo ./usr/share/man/man1/kestrane-rapport.1.gz
kestrane: name, version|$(champ "$fenetre" Package) $(champ "$fenetre" Version)|kestrane $version
kestrane: depends on kestrane-rapport at its version|$(champ "$fenetre" Depends | tr ',' '\n' | grep -c "^ *kestrane-rapport (= $version)$")|1
kestrane: Qt Widgets, Charts and ALSA among its dependencies|$(dependances "$fenetre" | tr ' ' '\n' | grep -cE '^(libqt6widgets6|libqt6charts6|libasound2)$')|3
kestrane: Debian's documents|$(fichiers "$fenetre" | grep -cE '^./usr/share/doc/kestrane/(copyright|changelog.gz)$')|2
kestrane: its manual page|$(fichiers "$fenetre" | grep -c '^./usr/share/man/man1/kestrane.1.gz$')|1
files in both packages|$(comm -12 <(fichiers "$rapport") <(fichiers "$fenetre") | uneligne)|
TABLE

if command -v lintian > /dev/null; then
  lintian "$rapport" "$fenetre" > "$sortie/lintian.log" 2>&1
  sed 's/^/  lintian: /' "$sortie/lintian.log" | grep -v 'root privileges'
  comparer <<TABLE
lintian errors and warnings|$(grep -cE '^[EW]: ' "$sortie/lintian.log")|0
TABLE
else
  echo "lintian absent: not run (scripts/paquets.sh installs it)"
fi

echo "paquets: $passes passed, $echecs failed"
[ "$echecs" -eq 0 ]
