#!/usr/bin/env bash
# Runs a Windows test program under Wine as an ordinary user (nobody), who, unlike root, cannot
# write a read-only file. Wine needs a prefix of the user's own: one is made in a fresh home.
# Exits 77 (skipped, for ctest) saying why, where that cannot be done.
# Usage: tests/wine_as_user.sh PROGRAM [ARGS...]
set -euo pipefail
command -v wine >/dev/null || {
  echo "SKIP: wine is missing"
  exit 77
}
if [[ $(id -u) -ne 0 ]] || ! command -v setpriv >/dev/null; then
  echo "SKIP: taking another user's identity needs root and setpriv"
  exit 77
fi
uid=$(id -u nobody) gid=$(id -g nobody)
home=$(mktemp -d /tmp/zantovel-wine-user.XXXXXX)
trap 'setpriv --reuid="$uid" --regid="$gid" --clear-groups env HOME="$home" WINEPREFIX="$home/prefix" wineserver -k 2>/dev/null || true; rm -rf "$home"' EXIT
chown "$uid:$gid" "$home"
program=$1
shift
# The program is read from where the build left it, which the user may not enter.
cp "$program" "$home/"
chown "$uid:$gid" "$home/$(basename "$program")"
as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups
  env HOME="$home" WINEPREFIX="$home/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
if ! timeout 300 "${as_user[@]}" wine cmd /c exit >/dev/null 2>&1; then
  echo "SKIP: wine cannot start Windows programs as user nobody here"
  exit 77
fi
"${as_user[@]}" wine "$home/$(basename "$program")" "$@"
