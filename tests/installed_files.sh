#!/usr/bin/env bash
# What an installation adds besides the program, checked as the system's own tools check it:
# the manual page renders, the desktop entry and the AppStream metadata validate, and the bash
# completion completes the options and a folder.
# Usage: tests/installed_files.sh SOURCE-DIR BUILD-DIR
# Exits 77 (skipped, for ctest) when a checking tool is missing.
set -euo pipefail
source=$(cd "$1" && pwd)
build=$2
for tool in man desktop-file-validate appstreamcli update-desktop-database xdg-mime; do
  command -v "$tool" >/dev/null || {
    echo "SKIP: $tool is missing"
    exit 77
  }
done
[[ -f "$build/app/zantovel.1" ]] || {
  echo "SKIP: the manual page was not built (scdoc is missing)"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}

page=$(MANWIDTH=80 man -l "$build/app/zantovel.1" 2>&1)
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES; do
  grep -qx "$section" <<<"$page" || fail "the manual page has no $section section"
done
# Every option the program knows is in the manual.
for option in --folder --prefix --type --undo --dry-run --quiet --verbose --help --version; do
  grep -q -- "$option" <<<"$page" || fail "the manual page does not name $option"
done
for entry in zantovel.desktop zantovel-servicemenu.desktop; do
  desktop-file-validate "$source/app/resources/$entry" || fail "the desktop entry $entry"
done
grep -qx 'Exec=zantovel %f' "$source/app/resources/zantovel.desktop" || fail "the entry takes no folder"
appstreamcli validate --no-net "$source/app/resources/zantovel.metainfo.xml" >/dev/null ||
  fail "the AppStream metadata: $(appstreamcli validate --no-net "$source/app/resources/zantovel.metainfo.xml")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/scans"
# Offered for folders, but never the default program for them where a file manager is installed.
mkdir -p "$work/share/applications" "$work/config" "$work/data"
printf '[Desktop Entry]\nType=Application\nName=Files\nExec=thunar %%F\nMimeType=inode/directory;\n' \
  >"$work/share/applications/thunar.desktop"
cp "$source/app/resources/zantovel.desktop" "$work/share/applications/"
update-desktop-database "$work/share/applications"
grep -q '^inode/directory=.*zantovel.desktop' "$work/share/applications/mimeinfo.cache" ||
  fail "the entry is not offered for folders"
default=$(XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_DATA_DIRS="$work/share" \
  XDG_CURRENT_DESKTOP="" xdg-mime query default inode/directory)
[[ "$default" == "thunar.desktop" ]] || fail "the default program for folders became $default"
completions=$(cd "$work" && bash -c '
  source "$1"
  complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zantovel; printf "%s," "${COMPREPLY[@]}"; echo; }
  complete_words zantovel --fo
  complete_words zantovel --folder sc
  complete_words zantovel --type "*"
' _ "$source/app/resources/zantovel.bash-completion")
expected="--folder,
scans,
'*.*',"
[[ "$completions" == "$expected" ]] || fail "the completion gave:
$completions"
echo "installed files: 1 passed, 0 failed"
