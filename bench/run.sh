#!/usr/bin/env bash
# Builds the benchmark in release mode and runs it; arguments go to the benchmark
# (see bench/rename_bench.cpp). The work folder defaults to build/bench-work, on the same file
# system as the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
# The peers it measures against come from Debian's packages too.
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" mmv rename gnuplot-nox
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF \
  -DZANTOVEL_BENCH=ON >/dev/null
cmake --build build/release --target rename_bench >/dev/null
nproc_line="$(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(df -T build | awk 'NR==2 {print $2}') at $(df build | awk 'NR==2 {print $6}')"
echo "machine: $(uname -srm); $nproc_line"
exec build/release/bench/rename_bench --work build/bench-work "$@"
