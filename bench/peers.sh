#!/usr/bin/env bash
# A typed pass timed process against process, as a user runs them: the zantovel command line
# (log and undo journal on) against mmv and perl rename, over N files of 1 KiB, the methods
# taking turns at going first. Writes a CSV (files, method, median µs per file) and, with
# gnuplot, a chart of µs per file against files.
# Usage: bench/peers.sh ZANTOVEL [--sizes 1000,10000] [--runs 5] [--work DIR] [--out PREFIX]
#        bench/peers.sh --chart CSV   (draws CSV.svg from a CSV, such as several runs' joined)
set -euo pipefail

chart() { # CSV SVG
  command -v gnuplot >/dev/null || return 0
  gnuplot <<GP
set terminal svg size 640,400 font "sans,11"
set output "$2"
set datafile separator ","
set logscale x
set xrange [500:200000]
set xlabel "files"
set ylabel "µs per file (median)"
set key top right
set grid
plot for [m in "zantovel mmv rename"] "< grep ',".m.",' $1" using 1:3 with linespoints title m
GP
  echo "wrote $2"
}
if [[ ${1:-} == --chart ]]; then
  chart "$2" "${2%.csv}.svg"
  exit 0
fi

program=$(realpath "$1")
shift
sizes=1000,10000 runs=5 work=build/bench-work out=build/peers
while [[ $# -gt 0 ]]; do
  case $1 in
    --sizes) sizes=$2 ;;
    --runs) runs=$2 ;;
    --work) work=$2 ;;
    --out) out=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
mkdir -p "$work" "$(dirname "$out")"
work=$(realpath "$work")
# A copy of its own, so that its settings, log and journal lie in the work folder.
cp "$program" "$work/zantovel"
folder="$work/files"

make_files() {
  rm -rf "$folder"
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
run_method() { # METHOD
  case $1 in
    zantovel) "$work/zantovel" --folder "$folder" --prefix a_ --type .tmp -q ;;
    mmv) (cd "$folder" && mmv '*.tmp' 'a_#1.tmp') ;;
    rename) (cd "$folder" && find . -maxdepth 1 -name '*.tmp' -print0 | xargs -0 rename 's|^\./|./a_|') ;;
  esac
}
methods=(zantovel mmv rename)
echo "files,method,median_us_per_file" >"$out.csv"
IFS=, read -ra size_list <<<"$sizes"
for size in "${size_list[@]}"; do
  declare -A times=()
  for ((run = 0; run < runs; run++)); do
    for ((m = 0; m < ${#methods[@]}; m++)); do
      method=${methods[$(((m + run) % ${#methods[@]}))]}
      make_files "$size"
      rm -f "$work"/applog.log "$work"/zantovel.journal
      start=$(date +%s%N)
      run_method "$method" >/dev/null
      end=$(date +%s%N)
      [[ -f "$folder/a_f0000000.tmp" ]] || { echo "$method renamed nothing" >&2; exit 1; }
      times[$method]+="$(((end - start) / size)) "
    done
  done
  for method in "${methods[@]}"; do
    median=$(tr ' ' '\n' <<<"${times[$method]}" | grep . | sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}')
    echo "$size,$method,$(awk -v ns="$median" 'BEGIN {printf "%.1f", ns / 1000}')" >>"$out.csv"
  done
  unset times
done
rm -rf "$folder"
cat "$out.csv"
chart "$out.csv" "$out.svg"
