# Shared by the end-to-end scripts, which source it: a private X server with a window manager,
# removed with the work folder when the script ends.

# Exits 77 (skipped, for ctest) naming the first of the given commands that is missing.
require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "SKIP: $tool is missing"
      exit 77
    }
  done
}

fail() {
  echo "FAIL: $*"
  exit 1
}

# Makes $work, starts Xvfb on a display it picks itself and openbox on it, and exports
# DISPLAY. Everything started in the background, and $work, goes when the script exits.
start_x_session() {
  work=$(mktemp -d)
  trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
  # The server writes its display's number once it is ready.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  for _ in $(seq 200); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  [[ -s "$work/display" ]] || fail "Xvfb did not start"
  export DISPLAY=:$(head -1 "$work/display")
  for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  sleep 0.5
}

# Prints the first visible window whose title matches the pattern, waiting up to the given
# seconds; prints nothing when none appears. Polled: a search that meets a window going away
# fails, and windows come and go while a pass runs.
find_window() {
  local pattern=$1 seconds=$2 found
  for _ in $(seq $((seconds * 10))); do
    found=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1) || true
    [[ -n "$found" ]] && { echo "$found"; return 0; }
    sleep 0.1
  done
}

# Waits for the program's box (a window titled "Zantovel") and closes it with Return; fails
# with the message when none appears.
close_box() {
  local box
  box=$(find_window '^Zantovel$' 30)
  [[ -n "$box" ]] || fail "$1"
  xdotool windowactivate --sync "$box" key Return
  for _ in $(seq 100); do xdotool search --onlyvisible --name '^Zantovel$' >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "the box did not close"
}

# Presses Ctrl+Z in WINDOW, confirms the question with Return, and closes the box after it.
take_back() { # WINDOW WHAT-FOR-MESSAGES
  xdotool windowactivate --sync "$1" key --clearmodifiers ctrl+z
  local question
  question=$(find_window '^Take back a pass$' 30)
  [[ -n "$question" ]] || fail "Ctrl+Z $2 asked nothing"
  xdotool windowactivate --sync "$question" key Return
  close_box "the undo $2 gave no box"
}

# Waits up to twenty seconds for the process PID to end; fails with MESSAGE if it does not.
wait_gone() { # PID MESSAGE
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  fail "$2"
}

# The preview of the window WINDOW whose Prefix box is at 260,41: F5 opens it beside the
# window, not over it; a key typed in Prefix changes what it shows; its Run (Alt+R there) runs
# the pass, whose box is closed. With ZANTOVEL_SHOTS set, a picture of the screen goes there.
check_preview() { # WINDOW WHAT-FOR-MESSAGES
  xdotool windowactivate --sync "$1" key --clearmodifiers F5
  local preview
  preview=$(find_window '^Zantovel preview$' 30)
  [[ -n "$preview" ]] || fail "F5 opened no preview $2"
  sleep 1
  local main_x main_y main_w main_h X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1")"
  main_x=$X main_y=$Y main_w=$WIDTH main_h=$HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$preview")"
  ((X >= main_x + main_w || X + WIDTH <= main_x || Y >= main_y + main_h || Y + HEIGHT <= main_y)) ||
    fail "the preview covers the window $2: ${WIDTH}x$HEIGHT+$X+$Y over ${main_w}x$main_h+$main_x+$main_y"
  [[ -z "${ZANTOVEL_SHOTS:-}" ]] || import -window root "$ZANTOVEL_SHOTS/preview-$(date +%s%N).png"
  local before after=""
  before=$(import -window "$preview" rgb:- 2>/dev/null | md5sum)
  xdotool mousemove --window "$1" 260 41 click 1 key End type x
  for _ in $(seq 50); do
    after=$(import -window "$preview" rgb:- 2>/dev/null | md5sum)
    [[ "$after" != "$before" ]] && break
    sleep 0.1
  done
  [[ "$after" != "$before" ]] || fail "the preview did not follow a key typed in Prefix $2"
  sleep 0.5
  xdotool windowactivate --sync "$preview" key --clearmodifiers alt+r
  close_box "the preview's Run ran no pass $2"
}

# From the Folder field of WINDOW (its box at 260,17), four Tabs reach "Run" (past "...",
# Prefix and File types), and Space there runs the pass, whose box is closed.
tab_to_run() { # WINDOW
  xdotool mousemove --window "$1" 260 17 click 1
  xdotool key --clearmodifiers Tab Tab Tab Tab space
  close_box "Tab and Space on \"Run\" ran no pass"
}

# Ctrl+Z after typing in the Prefix box of WINDOW (at 260,41) takes back the typing, as in any
# text box, and asks nothing about a pass.
undo_typing() { # WINDOW
  xdotool mousemove --window "$1" 260 41 click 1 key End type q
  xdotool key --clearmodifiers ctrl+z
  [[ -z "$(find_window '^Take back a pass$' 2)" ]] || fail "Ctrl+Z after typing asked to take back a pass"
}

# The window $window ($app) open on $work/seen, which holds a.tmp and b.tmp, with the prefix
# "s": the preview and its pass, then Tab and Space on "Run" for c.tmp, then Ctrl+Z after
# typing; then the window is closed.
desktop_round() {
  check_preview "$window" "beside the window"
  printf 'c' >"$work/seen/c.tmp"
  tab_to_run "$window"
  undo_typing "$window"
  local names
  names=$(cd "$work/seen" && ls -A | sort | tr '\n' ' ')
  [[ "$names" == "sxa.tmp sxb.tmp sxc.tmp " ]] || fail "files after the preview's and Tab's passes: $names"
  wmctrl -c "Zantovel v$version"
  wait_gone "$app" "the window did not close after the preview"
}
