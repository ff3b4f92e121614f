#!/usr/bin/env bash
# End to end with the Windows program under Wine in a real X server: zantovel.exe beside its
# settings file renames a folder of files when "Run" is clicked and again on Ctrl+Return, says
# "Done", lights its rectangles by the hover rules, takes a folder from the picker (Ctrl+O) and
# keeps it on a cancel, gives the focus back after a box, takes the last pass back on Ctrl+Z,
# and saves its fields when closed, even while its picker is open; a press dragged off "Run" or
# "..." does nothing; a long pass shows its progress, stops on Esc, and is taken back by Ctrl+Z;
# the fields are saved when the session ends.
# Usage: tests/window_e2e_wine.sh PATH-TO-ZANTOVEL.EXE VERSION PATH-TO-SEND_MESSAGE.EXE
# Exits 77 (skipped, for ctest) when Wine, the X server or its tools are missing.
set -euo pipefail
program=$1
version=$2
send_message=$3

source "$(dirname "$0")/x_session.sh"
require_tools wine Xvfb xdotool wmctrl openbox import
start_x_session

# Starts zantovel.exe from $work, with what its settings file there holds; sets $app and
# $window.
open_window() { # MESSAGE-IF-IT-DOES-NOT-OPEN [ARGUMENT...]
  local message=$1
  shift
  (cd "$work" && exec wine zantovel.exe "$@") >/dev/null 2>&1 &
  app=$!
  window=$(find_window "^Zantovel v${version//./\\.}\$" 60)
  [[ -n "$window" ]] || fail "$message"
  sleep 1
}

# Wine shows the machine's root as drive Z:.
windows_path() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

cp "$program" "$work/zantovel.exe"
mkdir "$work/files"
printf 'x-content' >"$work/files/x.tmp"
printf 'y-content' >"$work/files/y.TMP"
printf 'other' >"$work/files/other.txt"
folder=$(windows_path "$work/files")\\
log=$(windows_path "$work/run.log")
printf '; settings for the test\r\n[Settings]\r\nLastP=%s\r\nLastF=e2e_\r\nLastT=.tmp\r\nAppLog=%s\r\n' \
  "$folder" "$log" >"$work/zantovel.ini"

open_window "the window did not open"

# "Run" stands at 3720,1200 twips, 765 by 255, in a client area of 4575 by 1590; Wine's X
# window is the client area.
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$WIDTH" -eq 305 && "$HEIGHT" -eq 106 ]] || fail "client area is ${WIDTH}x$HEIGHT, not 305x106"
x=$((WIDTH * (3720 + 765 / 2) / 4575))
y=$((HEIGHT * (1200 + 255 / 2) / 1590))

# The hover rules as the screen shows them: the colour of a pixel inside each rectangle, beside
# its label's text, after the pointer moved over "...", over "Run", then over the background.
colour_at() {
  import -window "$window" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    grep -o '([0-9]*,[0-9]*,[0-9]*)' | head -1
}
rectangles() {
  sleep 0.5
  echo "$(colour_at 282 10) $(colour_at 252 83)"
}
white='(255,255,255)'
blue='(0,0,255)'
[[ "$(rectangles)" == "$white $white" ]] || fail "rectangles at rest: $(rectangles)"
xdotool mousemove --window "$window" 289 16
[[ "$(rectangles)" == "$blue $white" ]] || fail "rectangles over ...: $(rectangles)"
xdotool mousemove --window "$window" "$x" "$y"
[[ "$(rectangles)" == "$blue $blue" ]] || fail "rectangles over Run: $(rectangles)"
xdotool mousemove --window "$window" 150 100
[[ "$(rectangles)" == "$white $white" ]] || fail "rectangles over the background: $(rectangles)"

# A press on "Run" or "..." dragged off before the release is no click.
for at in "$x $y" "289 16"; do
  # shellcheck disable=SC2086
  xdotool mousemove --window "$window" $at mousedown 1 sleep 0.3 \
    mousemove --window "$window" 150 100 sleep 0.3 mouseup 1
done
sleep 2
xdotool search --onlyvisible --name '^(Zantovel|Select folder)$' >/dev/null 2>&1 &&
  fail "a press dragged off a label-button opened a box or the picker"
[[ -f "$work/files/x.tmp" ]] || fail "a press dragged off \"Run\" ran a pass"

xdotool mousemove --window "$window" "$x" "$y" click 1
close_box 'no "Done" box appeared'

# A second pass from the keyboard alone: Ctrl+Return runs, Return closes the box.
printf 'z-content' >"$work/files/z.tmp"
xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+Return
close_box "Ctrl+Return started no pass"
[[ -f "$work/files/e2e_z.tmp" ]] || fail "the keyboard pass did not rename z.tmp"
# The focus comes back to the field that had it, after a box and on activation: a click at
# the end of Prefix, F1 and its box, and a key typed then goes into Prefix.
xdotool mousemove --window "$window" 260 41 click 1
xdotool key --clearmodifiers F1
close_box "F1 showed no help"
xdotool windowactivate --sync "$window" type 2

# The picker: a chosen folder comes back with a "\", and a cancel after it leaves it there.
mkdir "$work/chosen"
pick() {
  xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+o
  local dialog=""
  for _ in $(seq 300); do
    dialog=$(xdotool search --onlyvisible --name '^Select folder$' 2>/dev/null | head -1) || true
    [[ -n "$dialog" ]] && break
    sleep 0.1
  done
  [[ -n "$dialog" ]] || fail "Ctrl+O opened no \"Select folder\" dialog"
  sleep 0.5
  xdotool windowactivate --sync "$dialog"
  [[ -z "$1" ]] || xdotool type --delay 20 "$1"
  xdotool key "$2"
  for _ in $(seq 100); do xdotool search --onlyvisible --name '^Select folder$' >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "the picker did not close"
}
pick "$(windows_path "$work/chosen")" Return
pick "" Escape

# Ctrl+Z takes the last pass (z.tmp's) back, after a question that Return confirms: from the
# Folder field, which the picker filled, and so holds no typing to take back first.
xdotool mousemove --window "$window" 260 17 click 1
take_back "$window" "after a pass"
[[ -f "$work/files/z.tmp" && ! -e "$work/files/e2e_z.tmp" ]] || fail "Ctrl+Z did not take the pass back"

# A close that comes as the picker opens ends the program, its fields saved: "..." (control
# 201) and a close queued together.
wine "$send_message" "Zantovel v$version" command=201 close
wait_gone "$app" "the program kept running after a close during the picker"

names=$(cd "$work/files" && ls -A | sort | tr '\n' ' ')
[[ "$names" == "e2e_x.tmp e2e_y.TMP other.txt z.tmp " ]] || fail "files after the passes: $names"
[[ "$(cat "$work/files/e2e_x.tmp")" == "x-content" ]] || fail "content of e2e_x.tmp changed"
messages=$(sed -E 's/^[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} //' "$work/run.log" | tr -d '\r')
expected="Renaming file: ${folder}x.tmp
${folder}x.tmp renamed
Deleting original
Original deleted
Renaming file: ${folder}y.TMP
${folder}y.TMP renamed
Deleting original
Original deleted
Pass done: 2 renamed
Renaming file: ${folder}e2e_x.tmp
Filename too long, cannot rename
Renaming file: ${folder}e2e_y.TMP
Filename too long, cannot rename
Renaming file: ${folder}z.tmp
${folder}z.tmp renamed
Deleting original
Original deleted
Pass done: 1 renamed, 2 passed over
Undo: ${folder}e2e_z.tmp renamed back to z.tmp
Undo done: 1 renamed back, 0 copies removed, 0 left"
[[ "$messages" == "$expected" ]] || fail "log reads:
$messages"
settings=$(tr -d '\r' <"$work/zantovel.ini")
grep -qxF "AppLog=$log" <<<"$settings" || fail "the AppLog line was lost: $settings"
grep -qxF "; settings for the test" <<<"$settings" || fail "the comment was lost"
grep -qxF "LastF=e2e_2" <<<"$settings" || fail "the prefix was not saved, or the focus lost: $settings"
grep -qxF "LastP=$(windows_path "$work/chosen")\\" <<<"$settings" ||
  fail "the picked folder was not saved: $settings"

# A long pass runs beside the window: its progress window appears, Esc stops it, and Ctrl+Z,
# once confirmed with Return, takes it back.
mkdir "$work/long"
(cd "$work/long" && seq -f 'f%04g.tmp' 1 3000 | xargs touch)
printf '[Settings]\r\nLastP=%s\\\r\nLastF=long_\r\nLastT=.tmp\r\nAppLog=%s\r\n' \
  "$(windows_path "$work/long")" "$log" >"$work/zantovel.ini"
open_window "the window did not open again"
xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+Return
[[ -n "$(find_window '^Zantovel progress$' 30)" ]] || fail "no progress window during a long pass"
# Stopped once some files are done.
for _ in $(seq 300); do [[ $(wc -l <"$work/run.log") -gt 60 ]] && break; sleep 0.1; done
xdotool windowactivate --sync "$window" key --clearmodifiers Escape
close_box "Esc gave no box"
tail -1 "$work/run.log" | grep -q 'Pass stopped: ' || fail "the log does not say the pass stopped"
renamed=$(find "$work/long" -name 'long_*' | wc -l)
[[ "$renamed" -gt 0 && "$renamed" -lt 3000 ]] || fail "$renamed files renamed by the stopped pass"
take_back "$window" "after the stopped pass"
[[ -z "$(find "$work/long" -name 'long_*')" ]] || fail "Ctrl+Z left renamed files"
[[ $(find "$work/long" -type f | wc -l) -eq 3000 ]] || fail "files lost by the stop and undo"
# Closed during a pass, the window asks; a question left open goes when the pass ends by
# itself, "Done" follows it, and the window stays open, since nobody said yes.
mkdir "$work/short"
(cd "$work/short" && seq -f 's%04g.tmp' 1 300 | xargs touch)
xdotool mousemove --window "$window" 260 17 click 1 key ctrl+a
xdotool type "$(windows_path "$work/short")\\"
xdotool key --clearmodifiers ctrl+Return
sleep 0.3
wmctrl -c "Zantovel v$version"
question=$(find_window '^Zantovel$' 20)
[[ -n "$question" ]] || fail "closing during a pass asked nothing"
for _ in $(seq 900); do xdotool getwindowname "$question" >/dev/null 2>&1 || break; sleep 0.1; done
xdotool getwindowname "$question" >/dev/null 2>&1 && fail "the close question outlived its pass"
close_box "no box after the pass that the close question outlived"
[[ -n "$(find_window "^Zantovel v${version//./\\.}\$" 5)" ]] || fail "the window closed though nobody said yes"
[[ $(find "$work/short" -name 'long_*' | wc -l) -eq 300 ]] || fail "the pass under the question did not finish"
# The end of the session saves what was typed, with no close.
xdotool mousemove --window "$window" 260 41 click 1
xdotool type x
sleep 0.5
wine "$send_message" "Zantovel v$version" endsession || fail "the window refused the session's end"
grep -q "^LastF=long_x" "$work/zantovel.ini" || fail "the session's end saved no fields: $(cat "$work/zantovel.ini")"
wmctrl -c "Zantovel v$version"
wait_gone "$app" "the window did not close after the long pass"
# The preview: opened by F5 beside the window, following the typing, and running its pass.
mkdir "$work/seen"
printf 'a' >"$work/seen/a.tmp"
printf 'b' >"$work/seen/b.tmp"
printf '[Settings]\r\nLastP=%s\\\r\nLastF=s\r\nLastT=.tmp\r\nAppLog=%s\r\n' "$(windows_path "$work/files")" "$log" >"$work/zantovel.ini"
open_window "the window did not open on a folder" "$(windows_path "$work/seen")"
# In the middle of the screen, where a new Wine prefix does not always put it, so that the
# preview's side is the same on every machine.
xdotool windowmove --sync "$window" 247 247 || true
sleep 0.5
desktop_round
grep -qF "LastP=$(windows_path "$work/seen")\\" "$work/zantovel.ini" || fail "the folder given was not kept: $(cat "$work/zantovel.ini")"
# A Windows edit box takes back all the typing at its end at once: the x as well as the q.
tr -d '\r' <"$work/zantovel.ini" | grep -qx "LastF=s" || fail "Ctrl+Z did not take back the typing: $(cat "$work/zantovel.ini")"
echo "Windows window end-to-end: 1 passed, 0 failed"
