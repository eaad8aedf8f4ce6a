#!/usr/bin/env bash
# Installs what the build needs, builds Kestrane and runs every test through CTest: once in
# release, once under AddressSanitizer and UndefinedBehaviorSanitizer (the window's tests run
# offscreen in both).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANE_SANITIZE=ON \
  -DKESTRANE_BENCH=OFF -DKESTRANE_UI=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2 -E '^tests_ui$'
# Qt and the font libraries keep allocations until exit: leak reports there are not ours.
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -R '^tests_ui$'

# The fuzzing targets, a short run each, so that they keep building and finding nothing.
bash scripts/fuzz.sh 30
