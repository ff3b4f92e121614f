#!/usr/bin/env bash
# The command line means the same on both systems: the Linux program and the Windows console
# program (zantovel.com, under Wine) are given the same commands over the same files, one after
# the other in one folder, and must answer with the same exit status, the same output (paths
# and line ends aside) and leave the same files.
# Usage: tests/command_line_both_builds.sh LINUX-ZANTOVEL WINDOWS-ZANTOVEL.COM
# Exits 77 (skipped, for ctest) without the Linux program or without Wine.
set -euo pipefail
linux_program=${1:-}
windows_program=$2
[[ -x "$linux_program" ]] || {
  echo "SKIP: no Linux build's program given (ZANTOVEL_HOST_PROGRAM)"
  exit 77
}
command -v wine >/dev/null || {
  echo "SKIP: wine is missing"
  exit 77
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$linux_program" "$work/bin/zantovel"
cp "$windows_program" "$work/bin/zantovel.com"
files="$work/files"

# Each scenario starts from the same files; its commands run in turn, F standing for the folder.
make_files() {
  rm -rf "$files"
  mkdir "$files"
  for name in a.tmp B.TMP c.txt 'd e.tmp' $'\xd1\x8e.tmp' a_x.tmp; do printf '%s' "$name" >"$files/$name"; done
}
scenarios=(
  "--folder F --prefix a_ --type .tmp|--undo|--undo"
  "--folder F --prefix a_ --type .tmp -n|--folder F --prefix ## --type .tmp -v|--undo -n"
  "--folder F --prefix c_ --type *.* -v|--undo -n|--undo"
  "--folder F --prefix a_ --type .tmp -q|--folder F --prefix a_ --type .tmp"
  "--bogus|--help|--version|--folder F -q -v|--folder F --prefix a_"
)
# Where the systems' own sentences differ (the reason a folder cannot be opened), only the exit
# status is compared.
status_only=("--folder F/missing --prefix a_ --type .tmp")

normalise() {
  tr -d '\r' | sed -E 's/[0-9]{8}-[0-9]{6}\.[0-9]{3}/ID/g; s/[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/TIME/g; s/Z:\\/\//g; s/\\/\//g'
}
run() { # SYSTEM ARGS... ; prints status, output and errors
  local system=$1
  shift
  local status=0
  if [[ $system == linux ]]; then
    (cd "$work" && "$work/bin/zantovel" "$@") >"$work/out" 2>"$work/err" || status=$?
  else
    (cd "$work" && wine "$work/bin/zantovel.com" "$@") >"$work/out" 2>"$work/err" || status=$?
  fi
  echo "status $status"
  normalise <"$work/out"
  echo "--"
  normalise <"$work/err"
}
windows_folder="Z:${files//\//\\}"

failed=0
checked=0
compare() { # COMMANDS STATUS-ONLY
  local commands=$1 only_status=$2 system
  for system in linux windows; do
    make_files
    rm -rf "$work/bin/"*.log "$work/bin/"*.journals "$work/bin/zantovel.ini"
    : >"$work/$system.txt"
    IFS='|' read -ra steps <<<"$commands"
    for step in "${steps[@]}"; do
      local folder=$files
      [[ $system == windows ]] && folder=$windows_folder
      read -ra args <<<"${step//F/$folder}"
      [[ $system == windows ]] && args=("${args[@]//\//\\}")
      if [[ $only_status == yes ]]; then
        run "$system" "${args[@]}" >"$work/run.txt"
        sed -n 1p "$work/run.txt" >>"$work/$system.txt"
      else
        run "$system" "${args[@]}" >>"$work/$system.txt"
      fi
    done
    (cd "$files" && for f in *; do printf '%s=%s\n' "$f" "$(cat "$f")"; done) >>"$work/$system.txt"
  done
  checked=$((checked + 1))
  if ! diff -u "$work/linux.txt" "$work/windows.txt" >"$work/diff"; then
    echo "FAIL: $commands"
    cat "$work/diff"
    failed=$((failed + 1))
  fi
}
for scenario in "${scenarios[@]}"; do compare "$scenario" no; done
for scenario in "${status_only[@]}"; do compare "$scenario" yes; done
echo "command line on both systems: $((checked - failed)) passed, $failed failed"
[[ $failed -eq 0 ]]
