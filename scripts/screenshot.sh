#!/usr/bin/env bash
# Takes a picture of the real window under Xvfb, with the default settings, and writes it to
# docs/window.png (or the path given). Usage: scripts/screenshot.sh [build-dir] [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=${2:-docs/window.png}
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" xvfb openbox xdotool imagemagick
[[ -x "$build/app/zantovel" ]] || {
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF >/dev/null
  cmake --build "$build"
}

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/app/zantovel" "$build/app/zantovel-window.so" "$work/"

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" &
for _ in $(seq 200); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
sleep 0.5
QT_QPA_PLATFORM=xcb "$work/zantovel" &
window=$(xdotool search --sync --onlyvisible --name '^Zantovel v' | head -1)
sleep 1
mkdir -p "$(dirname "$out")"
import -window "$window" -frame "$out" 2>/dev/null || import -window "$window" "$out"
echo "wrote $out"
