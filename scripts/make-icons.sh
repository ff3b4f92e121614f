#!/usr/bin/env bash
# Renders app/resources/*.svg into the Windows build's icons (app/win32/*.ico), which are kept
# in the repository. Run after changing a picture. Needs qt6-base-dev and qt6-svg-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(mktemp)
trap 'rm -f "$tool"' EXIT
g++ -std=c++20 -fPIC scripts/make-icons.cpp -o "$tool" $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
QT_QPA_PLATFORM=offscreen "$tool" app/resources/app-icon.svg app/win32/app-icon.ico 16 24 32 48 64 256
QT_QPA_PLATFORM=offscreen "$tool" app/resources/help.svg app/win32/help.ico 16 19 24 32 38 48 64
