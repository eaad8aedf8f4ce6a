#!/usr/bin/env bash
# Installs what the build needs, builds Kestrane and runs every test through CTest: once in
# release (core and window, the window offscreen), once with the core under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/installer.sh
installer_paquets

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANE_SANITIZE=ON \
  -DKESTRANE_BENCH=OFF -DKESTRANE_UI=OFF
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2
