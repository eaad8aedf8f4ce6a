#!/usr/bin/env bash
# Installs what the build needs, builds Kestrane and runs every test through CTest: once in
# release, once under AddressSanitizer and UndefinedBehaviorSanitizer (the window's tests run
# offscreen in both), then each fuzzing target for a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANE_SANITIZE=ON \
  -DKESTRANE_BENCH=OFF -DKESTRANE_UI=ON -DBUILD_TESTING=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2 -LE fenetre
# Qt and the font libraries keep allocations until exit: leak reports there are not ours.
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2 -L fenetre

# The fuzzing targets, a short run each, so that they keep building and finding nothing.
bash scripts/fuzz.sh 30
