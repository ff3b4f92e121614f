#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 60), starting from the seed corpus in fuzz/corpus/. New inputs go to a temporary
# folder, so the seeds stay as they are; a failing input is written to build/fuzz/.
# Usage: fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZANTOVEL_FUZZ=ON -DZANTOVEL_APP=OFF -DZANTOVEL_TESTS=OFF >/dev/null
cmake --build build/fuzz

for target in profile names journal; do
  found=$(mktemp -d)
  echo "== ${target}_fuzz for ${seconds}s"
  status=0
  build/fuzz/fuzz/${target}_fuzz -max_total_time="$seconds" -artifact_prefix=build/fuzz/ \
    "$found" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1 || status=$?
  rm -rf "$found"
  if [[ $status -ne 0 ]]; then
    tail -n 40 "build/fuzz/$target.log"
    echo "${target}_fuzz found a failing input: see build/fuzz/"
    exit 1
  fi
  grep -E '^Done' "build/fuzz/$target.log"
done
