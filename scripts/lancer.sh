#!/usr/bin/env bash
# Installs what Kestrane needs, builds it and starts it on the bundled sample journal (or on the
# file given as argument).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build --target kestrane
exec ./build/kestrane "${1:-samples/acces-5000.log}"
