#!/usr/bin/env bash
# A pass timed process against process, as a user runs them, over N files of 1 KiB, with
# Zantovel's log and undo journal on; the methods take turns at going first, each run on the
# same folder put back as it was, after a sync.
# - typed (prefix a_, type .tmp): the zantovel command line against mmv '*.tmp' 'a_#1.tmp',
#   perl rename, and rename_loop, a bare renameat2 loop as a process, the floor of any tool;
#   "floor" is that loop with the calls a pass must make besides (rename_loop --like-a-pass);
# - all ("*.*", every file copied): the command line against cp --reflink=auto --preserve=all
#   of the folder, alone and followed by sync -f (a pass's copies are on disk when it ends), and
#   "floor", copy_loop: only the calls an all-files pass cannot do without.
# Writes a CSV (files, method, median µs per file, median peak KiB) and, with gnuplot, a chart
# of µs per file against files.
# Usage: bench/peers.sh ZANTOVEL [--mode typed|all] [--sizes 1000,10000] [--runs 5]
#                       [--methods zantovel,mmv,...] [--loop RENAME_LOOP] [--work DIR]
#                       [--out PREFIX]
#        bench/peers.sh --chart CSV   (draws CSV.svg from a CSV, such as several runs' joined)
set -euo pipefail

chart() { # CSV SVG
  command -v gnuplot >/dev/null || return 0
  local methods
  methods=$(tail -n +2 "$1" | cut -d, -f2 | awk '!seen[$0]++' | tr '\n' ' ')
  gnuplot <<GP
set terminal svg size 640,400 font "sans,11"
set output "$2"
set datafile separator ","
set logscale x
set xlabel "files"
set ylabel "µs per file (median)"
set key top right
set grid
plot for [m in "$methods"] "< grep ',".m.",' $1" using 1:3 with linespoints title m
GP
  echo "wrote $2"
}
if [[ ${1:-} == --chart ]]; then
  chart "$2" "${2%.csv}.svg"
  exit 0
fi

program=$(realpath "$1")
shift
mode=typed sizes=1000,10000 runs=5 work=build/bench-work out="" methods="" loop=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --mode) mode=$2 ;;
    --sizes) sizes=$2 ;;
    --runs) runs=$2 ;;
    --methods) methods=$2 ;;
    --loop) loop=$(realpath "$2") ;;
    --work) work=$2 ;;
    --out) out=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
case $mode in
  typed) : "${methods:=zantovel,mmv,rename,loop,floor}" ;;
  all) : "${methods:=zantovel,cp,cp+sync,floor}" ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
: "${out:=build/peers-$mode}"
# The loops are built beside the program (build/release/bench/rename_loop and copy_loop).
[[ -n $loop ]] || loop=$(realpath -m "$(dirname "$program")/../bench/rename_loop")
copy_loop=$(dirname "$loop")/copy_loop
needed=$loop
[[ $mode == all ]] && needed=$copy_loop
if [[ ,$methods, =~ ,(loop|floor), && ! -x $needed ]]; then
  echo "no $(basename "$needed") at $needed (build the bench targets, or give --loop)" >&2
  exit 2
fi
mkdir -p "$work" "$(dirname "$out")"
work=$(realpath "$work")
# A copy of its own, so that its settings, log and journal lie in the work folder.
cp "$program" "$work/zantovel"
folder="$work/files"

# Each size gets a folder made once; after each run it is put back as it was, the new names
# renamed back and the copies moved aside, never removed: ext4 will not give out an inode freed
# in the last 30 seconds and looks at each such inode before passing it over, so files made
# just after 100,000 were removed take ten times as long to make, or to copy. All is removed
# at the end.
make_files() {
  mkdir -p "$work/aside"
  for used in "$folder" "$work/copy"; do
    if [[ -e $used ]]; then mv "$used" "$work/aside/$RANDOM$RANDOM"; fi
  done
  mkdir "$folder"
  python3 - "$folder" "$1" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
block = b"x" * 1024
for i in range(count):
    with open(os.path.join(folder, "f%07d.tmp" % i), "wb") as f:
        f.write(block)
PY
  sync
}
put_back() {
  python3 - "$folder" "$work/copy" "$work/aside/$RANDOM$RANDOM" <<'PY'
import os, sys
folder, copy, aside = sys.argv[1:]
if os.path.exists(copy):
    os.rename(copy, aside)
else:
    os.mkdir(aside)
for name in os.listdir(folder):
    if name.startswith("a_"):
        os.rename(os.path.join(folder, name), os.path.join(folder, name[2:]))
    elif name.startswith("c_"):
        os.rename(os.path.join(folder, name), os.path.join(aside, name))
PY
  sync
}
# Each tool runs under GNU time, which notes its peak memory (that of the largest process it
# waited for); the wall time is taken around the whole, the same few forks for every method.
run_method() { # METHOD
  local measure=(/usr/bin/time -f %M -o "$work/peak")
  case $mode/$1 in
    typed/zantovel) "${measure[@]}" "$work/zantovel" --folder "$folder" --prefix a_ --type .tmp -q ;;
    typed/mmv) (cd "$folder" && "${measure[@]}" mmv '*.tmp' 'a_#1.tmp') ;;
    typed/rename) (cd "$folder" && find . -maxdepth 1 -name '*.tmp' -print0 |
      "${measure[@]}" xargs -0 rename 's|^\./|./a_|') ;;
    typed/loop) "${measure[@]}" "$loop" "$folder" ;;
    typed/floor) "${measure[@]}" "$loop" --like-a-pass "$work/floor.log" "$folder" ;;
    all/zantovel) "${measure[@]}" "$work/zantovel" --folder "$folder" --prefix c_ --type '*.*' -q ;;
    all/floor) "${measure[@]}" "$copy_loop" "$folder" "$work/floor.log" ;;
    all/cp) "${measure[@]}" cp -r --reflink=auto --preserve=all "$folder" "$work/copy" ;;
    all/cp+sync) "${measure[@]}" sh -c 'cp -r --reflink=auto --preserve=all "$1" "$2" && exec sync -f "$2"' \
      sh "$folder" "$work/copy" ;;
    *) echo "no method $1 in mode $mode" >&2; exit 2 ;;
  esac
}
check_done() { # METHOD SIZE
  case $mode/$1 in
    typed/*) [[ -f "$folder/a_f0000000.tmp" && ! -e "$folder/f$(printf %07d $(($2 - 1))).tmp" ]] ;;
    all/zantovel | all/floor) [[ -f "$folder/c_f$(printf %07d $(($2 - 1))).tmp" ]] ;;
    all/*) [[ -f "$work/copy/f$(printf %07d $(($2 - 1))).tmp" ]] ;;
  esac || { echo "$1 did not do its work over $2 files" >&2; exit 1; }
}
median() {
  tr ' ' '\n' | grep . | sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'
}
IFS=, read -ra method_list <<<"$methods"
echo "files,method,median_us_per_file,median_peak_kib" >"$out.csv"
IFS=, read -ra size_list <<<"$sizes"
for size in "${size_list[@]}"; do
  declare -A times=() peaks=()
  make_files "$size"
  for ((run = 0; run < runs; run++)); do
    for ((m = 0; m < ${#method_list[@]}; m++)); do
      method=${method_list[$(((m + run) % ${#method_list[@]}))]}
      rm -f "$work"/applog.log "$work"/zantovel.journal "$work"/floor.log
      start=$(date +%s%N)
      run_method "$method" >/dev/null
      end=$(date +%s%N)
      check_done "$method" "$size"
      times[$method]+="$(((end - start) / size)) "
      peaks[$method]+="$(tail -1 "$work/peak") "
      put_back
    done
  done
  for method in "${method_list[@]}"; do
    ns=$(median <<<"${times[$method]}")
    echo "$size,$method,$(awk -v ns="$ns" 'BEGIN {printf "%.1f", ns / 1000}'),$(median <<<"${peaks[$method]}")" >>"$out.csv"
  done
  unset times peaks
done
rm -rf "$folder" "$work/copy" "$work/aside"
cat "$out.csv"
chart "$out.csv" "$out.svg"
