#!/usr/bin/env bash
# The Windows installer under Wine: a silent install for the current user, a pass from the
# installed command line, the Start menu entry and the entry in the list of programs, then a
# silent uninstall that leaves only the user's own settings and log.
# Usage: tests/windows_installer.sh SETUP.EXE
# Exits 77 (skipped, for ctest) without Wine or without the installer (makensis missing).
set -euo pipefail
setup=$1
command -v wine >/dev/null || {
  echo "SKIP: wine is missing"
  exit 77
}
[[ -f "$setup" ]] || {
  echo "SKIP: no installer was built (makensis is missing)"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

wine "$setup" /S
local_appdata=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
installed=$(unix_path "$local_appdata\\Programs\\Zantovel")
for file in zantovel.exe zantovel.com README.txt LICENSE.txt uninstall.exe; do
  [[ -f "$installed/$file" ]] || fail "the installer did not put $file in $installed"
done
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zantovel' /v DisplayVersion \
  2>/dev/null | grep -q "1\.0\.0" || fail "no entry in the list of programs"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zantovel' /v EstimatedSize \
  2>/dev/null | grep -q "REG_DWORD" || fail "the entry in the list of programs gives no size"
# Explorer's entry on a folder and on a folder's background opens the window on that folder.
verbs=('HKCU\Software\Classes\Directory\shell\Zantovel'
  'HKCU\Software\Classes\Directory\Background\shell\Zantovel')
for verb in "${verbs[@]}"; do
  wine reg query "$verb" /ve 2>/dev/null | grep -q "Prefix files with Zantovel" || fail "no Explorer entry $verb"
  wine reg query "$verb\command" /ve 2>/dev/null | grep -qi 'zantovel\.exe" "%[1V]"' ||
    fail "the Explorer entry $verb starts: $(wine reg query "$verb\command" /ve 2>/dev/null)"
done
# Notepad before Windows 10 shows only CR LF line ends as lines.
for text in README.txt LICENSE.txt; do
  [[ $(grep -c $'\r$' "$installed/$text") -eq $(wc -l <"$installed/$text") ]] ||
    fail "$text has lines without CR LF"
done
appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
[[ -f "$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")/Zantovel.lnk" ]] ||
  fail "no Start menu entry"

# The installed command line, from another folder.
mkdir "$work/files"
touch "$work/files/a.tmp" "$work/files/b.txt"
(cd "$work" && wine "$installed/zantovel.com" --prefix i_ --type .tmp "Z:${work//\//\\}\\files" -q) ||
  fail "the installed command line's pass"
[[ -f "$work/files/i_a.tmp" && -f "$work/files/b.txt" ]] || fail "the pass did not rename a.tmp"
[[ -f "$installed/applog.log" ]] || fail "the log is not beside the installed program"

wine "$installed/uninstall.exe" /S
# The uninstaller copies itself away and finishes on its own.
for _ in $(seq 150); do [[ -e "$installed/uninstall.exe" ]] || break; sleep 0.2; done
sleep 1
left=$(cd "$installed" && ls -A | sort | tr '\n' ' ')
[[ "$left" == "applog.log zantovel.journals " ]] || fail "after the uninstall $installed holds: $left"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zantovel' >/dev/null 2>&1 &&
  fail "the entry in the list of programs stayed"
for verb in "${verbs[@]}"; do
  wine reg query "$verb" >/dev/null 2>&1 && fail "the Explorer entry $verb stayed"
done
rm -rf "$installed"
echo "Windows installer: 1 passed, 0 failed"
