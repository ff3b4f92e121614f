#!/usr/bin/env bash
# Cross-builds the Windows program, build/windows/app/zantovel.exe: one static executable that
# needs nothing installed. Usage: scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${WINDOWS_PACKAGES[@]}"

cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows --target zantovel windows_packages
echo "built build/windows/app/zantovel.exe and zantovel.com, the installer and the zip in build/windows/"
