#!/usr/bin/env bash
# Builds the benchmark in release mode and runs it; arguments go to the benchmark
# (see bench/rename_bench.cpp). With "peers" first, runs bench/peers.sh on the release build's
# command line instead, the rest of the arguments going to it. The work folder defaults to build/bench-work, on the same file
# system as the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
# The peers it measures against come from Debian's packages too.
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" mmv rename time gnuplot-nox
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF \
  -DZANTOVEL_BENCH=ON >/dev/null
cmake --build build/release --target rename_bench rename_loop copy_loop zantovel >/dev/null
nproc_line="$(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(df -T build | awk 'NR==2 {print $2}') at $(df build | awk 'NR==2 {print $6}')"
echo "machine: $(uname -srm); $nproc_line"
if [[ ${1:-} == peers ]]; then
  shift
  exec bash bench/peers.sh build/release/app/zantovel "$@"
fi
exec build/release/bench/rename_bench --work build/bench-work "$@"
