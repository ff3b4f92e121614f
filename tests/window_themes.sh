#!/usr/bin/env bash
# The window stays readable in a dark or high-contrast theme: the Linux window under qt6ct's
# "darker" colours with the Fusion style, the Windows window under Wine with high-contrast system
# colours (white text on black). In the screenshot, every caption and label-button must show
# its text: the darkest and lightest pixels inside its box differ by at least half the range.
# Usage: tests/window_themes.sh linux|windows PROGRAM VERSION [SCREENSHOT.png]
# Exits 77 (skipped, for ctest) when Wine, qt6ct, the X server or its tools are missing.
set -euo pipefail
system=$1
program=$2
version=$3
screenshot=${4:-}

source "$(dirname "$0")/x_session.sh"
require_tools Xvfb xdotool openbox import convert
if [[ $system == linux ]]; then
  [[ -d /usr/share/qt6ct/colors ]] || {
    echo "SKIP: qt6ct is missing"
    exit 77
  }
else
  require_tools wine
fi
start_x_session

if [[ $system == linux ]]; then
  cp "$program" "$(dirname "$program")/zantovel-window.so" "$work/"
  mkdir -p "$work/config/qt6ct"
  printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
    >"$work/config/qt6ct/qt6ct.conf"
  XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORMTHEME=qt6ct QT_QPA_PLATFORM=xcb \
    "$work/zantovel" 2>/dev/null &
else
  # A prefix of its own, so that the other tests keep the usual colours.
  export WINEPREFIX="$work/prefix"
  timeout 300 wine cmd /c exit >/dev/null 2>&1 || {
    echo "SKIP: wine cannot make a prefix here"
    exit 77
  }
  for colour in "Window 0 0 0" "WindowText 255 255 255" "ButtonFace 0 0 0" "ButtonText 255 255 255" \
    "Background 0 0 0" "Menu 0 0 0" "MenuText 255 255 255" "GrayText 0 255 0"; do
    read -r name rgb <<<"$colour"
    wine reg add 'HKCU\Control Panel\Colors' /v "$name" /d "$rgb" /f >/dev/null 2>&1
  done
  wineserver -w
  cp "$program" "$work/zantovel.exe"
  (cd "$work" && exec wine zantovel.exe) >/dev/null 2>&1 &
fi
window=$(find_window "^Zantovel v${version//./\\.}\$" 60)
[[ -n "$window" ]] || fail "the window did not open"
xdotool mousemove 0 0
sleep 1.5
import -window "$window" "$work/shot.png" 2>/dev/null

# Inside each box (96 dots per inch: a fifteenth of the design's twips), away from the borders
# of the rectangles behind "..." and "Run"; scaled as the window is, which grows with a desktop
# font larger than the design's (the theme's own font).
boxes=("Folder 8 8 49 17" "Prefix 8 32 49 17" "Type 8 56 49 17" "... 282 10 15 12" "Run 251 82 42 13")
width=$(identify -format '%w' "$work/shot.png")
unreadable=()
for box in "${boxes[@]}"; do
  read -r name x y w h <<<"$box"
  read -r x y w h < <(awk -v s="$width" -v x="$x" -v y="$y" -v w="$w" -v h="$h" \
    'BEGIN { f = s / 305; printf "%d %d %d %d\n", x * f + 0.5, y * f + 0.5, w * f, h * f }')
  range=$(convert "$work/shot.png" -crop "${w}x${h}+$x+$y" -colorspace Gray \
    -format '%[fx:maxima.r-minima.r]' info:)
  awk -v r="$range" 'BEGIN { exit !(r >= 0.5) }' || unreadable+=("$name ($range)")
done
if [[ -n "$screenshot" ]]; then
  import -window "$window" -frame "$screenshot" 2>/dev/null || cp "$work/shot.png" "$screenshot"
  echo "wrote $screenshot"
fi
[[ ${#unreadable[@]} -eq 0 ]] || fail "text that cannot be read in the $system window: ${unreadable[*]}"
echo "themes, $system window: 1 passed, 0 failed"
