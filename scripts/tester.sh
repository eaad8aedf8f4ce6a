#!/usr/bin/env bash
# Installs what the build needs, builds Kestrane and runs every test through CTest: once in
# release, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PAQUETS=(cmake ninja-build g++ libgtest-dev)
manquants=()
for p in "${PAQUETS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || manquants+=("$p")
done
if [ ${#manquants[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${manquants[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANE_SANITIZE=ON \
  -DKESTRANE_BENCH=OFF
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2
