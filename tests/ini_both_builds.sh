#!/usr/bin/env bash
# Feeds the same hand-edited settings files to the Linux and the Windows build and checks that
# each reads what tests/ini/NAME.expected says: "KEY=VALUE" for both builds, "KEY@linux=VALUE"
# or "KEY@windows=VALUE" where they differ by design (docs/WINDOWS.md says why).
# Usage: tests/ini_both_builds.sh LINUX-PROBE WINDOWS-PROBE CASES-FOLDER
# Exits 77 (skipped, for ctest) without a Linux probe or without Wine.
set -euo pipefail
linux_probe=${1:-}
windows_probe=$2
cases=$3

[[ -x "$linux_probe" ]] || {
  echo "SKIP: no Linux build's probe given (ZANTOVEL_HOST_PROBE)"
  exit 77
}
command -v wine >/dev/null || {
  echo "SKIP: wine is missing"
  exit 77
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
cp "$linux_probe" "$work/linux/zantovel"
cp "$windows_probe" "$work/windows/zantovel.exe"

keys=(LastP LastF LastT AppLog)
failed=0
checked=0
for ini in "$cases"/*.ini; do
  name=$(basename "$ini" .ini)
  cp "$ini" "$work/linux/zantovel.ini"
  cp "$ini" "$work/windows/zantovel.ini"
  for key in "${keys[@]}"; do
    linux=$("$work/linux/zantovel" get "$key" '<default>')
    windows=$(wine "$work/windows/zantovel.exe" get "$key" '<default>' | tr -d '\r')
    for build in linux windows; do
      got=${!build}
      want=$(grep -m1 -E "^$key@$build=" "$cases/$name.expected" ||
        grep -m1 -E "^$key=" "$cases/$name.expected" || echo "$key=<default>")
      want=${want#*=}
      checked=$((checked + 1))
      if [[ "$got" != "$want" ]]; then
        echo "FAIL: $name.ini, $key, $build build: read [$got], expected [$want]"
        failed=$((failed + 1))
      fi
    done
  done
done
echo "settings files in both builds: $((checked - failed)) passed, $failed failed"
[[ $failed -eq 0 ]]
