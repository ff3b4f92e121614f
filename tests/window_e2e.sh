#!/usr/bin/env bash
# End to end in a real X server: the installed program beside its settings file renames a
# folder of files when "Run" is clicked (a press dragged off it does nothing), says "Done", and
# saves its fields when closed, and when told to stop by SIGTERM or SIGHUP.
# Usage: tests/window_e2e.sh PATH-TO-ZANTOVEL VERSION
# Exits 77 (skipped, for ctest) when the X server or its tools are missing.
set -euo pipefail
program=$1
version=$2

source "$(dirname "$0")/x_session.sh"
require_tools Xvfb xdotool wmctrl openbox
start_x_session

# Starts the program's window from $work, with what its settings file there holds and the
# arguments given; sets $app and $window.
open_window() { # MESSAGE-IF-IT-DOES-NOT-OPEN [ARGUMENT...]
  local message=$1
  shift
  QT_QPA_PLATFORM=xcb "$work/zantovel" "$@" 2>/dev/null &
  app=$!
  window=$(find_window "^Zantovel v${version//./\\.}\$" 20)
  [[ -n "$window" ]] || fail "$message"
  sleep 0.5
}

# The program with its window module, as a portable copy carries them.
cp "$program" "$(dirname "$program")/zantovel-window.so" "$work/"
mkdir "$work/files"
printf 'x-content' >"$work/files/x.tmp"
printf 'y-content' >"$work/files/y.TMP"
printf 'other' >"$work/files/other.txt"
printf '; settings for the test\r\n[Settings]\r\nLastP=%s/files/\r\nLastF=e2e_\r\nLastT=.tmp\r\nAppLog=%s/run.log\r\n' \
  "$work" "$work" >"$work/zantovel.ini"

open_window "the window did not open"

# "Run" stands at 3720,1200 twips, 765 by 255, in a client area of 4575 by 1590.
eval "$(xdotool getwindowgeometry --shell "$window")"
x=$((WIDTH * (3720 + 765 / 2) / 4575))
y=$((HEIGHT * (1200 + 255 / 2) / 1590))
# A press on "Run" dragged off before the release is no click.
xdotool mousemove --window "$window" "$x" "$y" mousedown 1 sleep 0.3 \
  mousemove --window "$window" 150 100 sleep 0.3 mouseup 1
sleep 1.5
xdotool search --onlyvisible --name '^Zantovel$' >/dev/null 2>&1 &&
  fail "a press dragged off \"Run\" ran a pass"
xdotool mousemove --window "$window" "$x" "$y" click 1

close_box 'no "Done" box appeared'

# A second pass from the keyboard alone: Ctrl+Return runs, Return closes the box.
printf 'z-content' >"$work/files/z.tmp"
xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+Return
close_box "Ctrl+Return started no pass"
[[ -f "$work/files/e2e_z.tmp" ]] || fail "the keyboard pass did not rename z.tmp"

wmctrl -c "Zantovel v$version"
wait_gone "$app" "the window did not close"

names=$(cd "$work/files" && ls -A | sort | tr '\n' ' ')
[[ "$names" == "e2e_x.tmp e2e_y.TMP e2e_z.tmp other.txt " ]] || fail "files after the passes: $names"
[[ "$(cat "$work/files/e2e_x.tmp")" == "x-content" ]] || fail "content of e2e_x.tmp changed"
messages=$(sed -E 's/^[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} //' "$work/run.log" | tr -d '\r')
expected="Renaming file: $work/files/x.tmp
$work/files/x.tmp renamed
Deleting original
Original deleted
Renaming file: $work/files/y.TMP
$work/files/y.TMP renamed
Deleting original
Original deleted
Pass done: 2 renamed
Renaming file: $work/files/e2e_x.tmp
Filename too long, cannot rename
Renaming file: $work/files/e2e_y.TMP
Filename too long, cannot rename
Renaming file: $work/files/z.tmp
$work/files/z.tmp renamed
Deleting original
Original deleted
Pass done: 1 renamed, 2 passed over"
[[ "$messages" == "$expected" ]] || fail "log reads:
$messages"
grep -q "^AppLog=$work/run.log" "$work/zantovel.ini" || fail "the AppLog line was lost"
grep -q "^; settings for the test" "$work/zantovel.ini" || fail "the comment was lost"
grep -q "^LastF=e2e_" "$work/zantovel.ini" || fail "the prefix was not saved"

# A long pass runs beside the window: its progress box appears, the window draws itself again
# when it comes back from the taskbar, Esc in the progress box stops the pass, and Ctrl+Z, once confirmed with
# Return, takes it back.
mkdir "$work/long"
# Enough files that the pass still runs after the checks below, on a loaded machine too.
long_files=80000
(cd "$work/long" && seq -f 'f%06g' 1 "$long_files" | xargs touch)
printf '[Settings]\r\nLastP=%s/long/\r\nLastF=c_\r\nLastT=*.*\r\nAppLog=%s/run.log\r\n' \
  "$work" "$work" >"$work/zantovel.ini"
open_window "the window did not open again"
xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+Return
progress=$(find_window '^Zantovel progress$' 30)
[[ -n "$progress" ]] || fail "no progress box during a long pass"
# Nothing keeps a hidden window's pixels here: what shows after it comes back, it drew anew.
# The rectangle behind "..." is white, and the window's background light grey.
xdotool windowminimize --sync "$window"
xdotool windowactivate --sync "$window"
sleep 0.5
pixel() {
  import -window "$window" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    grep -o '([0-9]*,[0-9]*,[0-9]*)' | head -1
}
# Given up to three seconds, as the window manager may map it again a moment late.
for _ in $(seq 30); do
  [[ "$(pixel 282 10) $(pixel 150 100)" == "(255,255,255) (224,224,224)" ]] && break
  sleep 0.1
done
[[ "$(pixel 282 10) $(pixel 150 100)" == "(255,255,255) (224,224,224)" ]] ||
  { [[ -z "${ZANTOVEL_SHOTS:-}" ]] || import -window root "$ZANTOVEL_SHOTS/redraw.png"; false; } ||
  fail "the window did not draw itself again during the pass: $(pixel 282 10) $(pixel 150 100)"
# The progress box holds the keys while it is open.
xdotool windowactivate --sync "$progress" key --clearmodifiers Escape 2>/dev/null ||
  fail "the pass ended before Esc could stop it"
close_box "Esc gave no box"
tail -1 "$work/run.log" | grep -q 'Pass stopped: ' || fail "the log does not say the pass stopped"
copies=$(find "$work/long" -name 'c_*' | wc -l)
[[ "$copies" -gt 0 && "$copies" -lt "$long_files" ]] || fail "$copies copies made by the stopped pass"
take_back "$window" "after the stopped pass"
[[ -z "$(find "$work/long" -name 'c_*')" ]] || fail "Ctrl+Z left copies"
[[ $(find "$work/long" -type f | wc -l) -eq "$long_files" ]] || fail "files lost by the stop and undo"
wmctrl -c "Zantovel v$version"
wait_gone "$app" "the window did not close after the long pass"
# Told to stop (a shutdown, a closed terminal), the window keeps what was typed.
for signal in TERM HUP; do
  printf '[Settings]\r\nLastP=%s/files/\r\nLastF=sig_\r\nLastT=.tmp\r\n' "$work" >"$work/zantovel.ini"
  open_window "the window did not open for SIG$signal"
  xdotool mousemove --window "$window" 260 41 click 1 sleep 0.3 type "$signal"
  sleep 0.5
  kill -"$signal" "$app"
  wait_gone "$app" "SIG$signal did not end the program"
  grep -q "^LastF=sig_$signal" "$work/zantovel.ini" ||
    fail "SIG$signal lost the typed prefix: $(cat "$work/zantovel.ini")"
done
# The preview: opened by F5 beside the window, following the typing, and running its pass, in
# the folder given on the command line (the settings name another).
mkdir "$work/seen"
printf 'a' >"$work/seen/a.tmp"
printf 'b' >"$work/seen/b.tmp"
printf '[Settings]\r\nLastP=%s/files/\r\nLastF=s\r\nLastT=.tmp\r\nAppLog=%s/run.log\r\n' "$work" "$work" >"$work/zantovel.ini"
open_window "the window did not open on a folder" "$work/seen"
desktop_round
grep -q "^LastP=$work/seen/" "$work/zantovel.ini" || fail "the folder given was not kept"
tr -d '\r' <"$work/zantovel.ini" | grep -qx "LastF=sx" || fail "Ctrl+Z did not take back the typing: $(cat "$work/zantovel.ini")"
echo "window end-to-end: 1 passed, 0 failed"
