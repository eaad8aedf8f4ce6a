#!/usr/bin/env bash
# Pictures of the real window: builds if needed, starts it under xvfb-run on the bundled sample
# (or the journal given), runs the analysis and writes PNG screenshots of every page into the
# folder (captures/ by default), at the window's first size and filling a 1600x1000 screen.
# Further arguments: --resultats-lisibles checks that option for the run, --format=NOM reads the
# journal in that format (its command-line name: commun, vhost, w3c...).
set -euo pipefail
cd "$(dirname "$0")/.."
journal="${1:-samples/acces-5000.log}"
dossier="${2:-captures}"
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build --target kestrane-captures
xvfb-run -a -s "-screen 0 1600x1000x24" ./build/kestrane-captures "$journal" "$dossier" "${@:3}"
