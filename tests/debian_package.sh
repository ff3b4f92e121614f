#!/usr/bin/env bash
# The Debian package: cpack builds it from the build folder; it holds what an installation
# needs, lintian finds no error or warning in it, apt finds its dependencies, and the program
# unpacked from it runs a pass from any folder, keeping an ordinary user's files in that
# user's own folders.
# Usage: tests/debian_package.sh BUILD-DIR
# Exits 77 (skipped, for ctest) when a tool it needs is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg-deb lintian apt-get; do
  command -v "$tool" >/dev/null || {
    echo "SKIP: $tool is missing"
    exit 77
  }
done
fail() {
  echo "FAIL: $*"
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
package=$(ls "$work"/out/zantovel_*_amd64.deb)
contents=$(dpkg-deb -c "$package" | awk '{print $6}')
for path in ./usr/bin/zantovel ./usr/lib/x86_64-linux-gnu/zantovel/zantovel-window.so \
  ./usr/share/applications/zantovel.desktop ./usr/share/icons/hicolor/scalable/apps/zantovel.svg \
  ./usr/share/metainfo/org.zantovel.Zantovel.metainfo.xml ./usr/share/man/man1/zantovel.1.gz \
  ./usr/share/bash-completion/completions/zantovel ./usr/share/doc/zantovel/copyright \
  ./usr/share/kio/servicemenus/zantovel.desktop; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
grep -q "libqt6widgets6" <<<"$(dpkg-deb -f "$package" Depends)" || fail "no dependency on Qt"
lintian --fail-on error,warning "$package" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v 'root privileges' "$work/lintian.log")"
apt-get install --simulate "$package" >"$work/apt.log" 2>&1 || fail "apt: $(cat "$work/apt.log")"

# Unpacked as installed: the program finds its window module, and an ordinary user's settings
# and log go to that user's folders, not beside the program.
dpkg-deb -x "$package" "$work/root"
version=$("$work/root/usr/bin/zantovel" --version)
[[ "$version" == "Zantovel "* ]] || fail "--version printed: $version"
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
  home="$work/home"
  mkdir -p "$home/files"
  touch "$home/files/a.tmp" "$home/files/b.tmp"
  chown -R 65534:65534 "$home"
  chmod 755 "$work" "$work/root"
  (cd "$home" && setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" \
    "$work/root/usr/bin/zantovel" --prefix p_ --type .tmp files -q) || fail "the installed program's pass"
  [[ -f "$home/files/p_a.tmp" && -f "$home/.local/state/zantovel/applog.log" ]] ||
    fail "the pass did not rename, or its log is not in the user's state folder"
  [[ -z "$(ls "$work/root/usr/bin" | grep -v '^zantovel$')" ]] || fail "files written beside the program"
  help=$(setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" \
    "$work/root/usr/bin/zantovel" --help | tail -2)
  [[ "$help" == "Settings: $home/.config/zantovel/zantovel.ini
Log: $home/.local/state/zantovel/applog.log" ]] || fail "--help names: $help"
else
  echo "the installed program's pass as an ordinary user is skipped: it needs root and setpriv"
fi
echo "Debian package: 1 passed, 0 failed"
