#!/usr/bin/env bash
# The Debian packages as lintian judges them: installs lintian (a hundred packages or so, about
# two minutes on a fresh machine, which is why the tests do not need it), builds in release,
# makes both packages with cpack and runs the packages' check with lintian's verdict; prints
# lintian's remarks, informational ones included. Exits non-zero on a lintian error or warning.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/installer.sh
PAQUETS+=(lintian)
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
bash tests/installation/verifier_paquets.sh build "$version"
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
(cd build && cpack -B "$dossier" > /dev/null)
echo "lintian --info (informational remarks too):"
lintian --info "$dossier"/*.deb 2>&1 | grep -v 'root privileges' || true
