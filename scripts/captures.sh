#!/usr/bin/env bash
# Pictures of the real window: builds if needed, starts it under xvfb-run on the bundled sample
# (or the journal given), runs the analysis and writes PNG screenshots of every page into the
# folder (captures/ by default), at the window's first size and filling a 1600x1000 screen.
# A third argument --resultats-lisibles checks that option for the run.
set -euo pipefail
cd "$(dirname "$0")/.."
journal="${1:-samples/acces-5000.log}"
dossier="${2:-captures}"
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build --target kestrane-captures
xvfb-run -a -s "-screen 0 1600x1000x24" ./build/kestrane-captures "$journal" "$dossier" ${3:+"$3"}
