#!/usr/bin/env bash
# Builds everything and runs every test: once in a plain build, once under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the Windows program cross-built and tested under Wine.
# With "quick", only the plain build and its quick tests (under a minute), for the edit loop.
# Usage: scripts/test.sh [quick]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
export QT_QPA_PLATFORM=offscreen
if [[ "${1:-}" == quick ]]; then
  bash scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
  cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANTOVEL_APP=ON \
    -DZANTOVEL_SANITIZE=OFF >/dev/null
  cmake --build build/test
  exec ctest --test-dir build/test --output-on-failure -j2 -L quick
fi
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" \
  "${WINE_PACKAGES[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite() {
  local dir=$1
  shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANTOVEL_APP=ON -DZANTOVEL_SANITIZE=OFF
run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DZANTOVEL_APP=ON -DZANTOVEL_SANITIZE=ON

# The Windows program, cross-built with mingw-w64, and its tests under Wine: one Wine prefix in
# the build folder, made on the first start, and one wineserver kept alive for the whole run.
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "== build/windows"
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_APP=ON -DZANTOVEL_TESTS=ON \
  -DZANTOVEL_HOST_PROBE="$PWD/build/test/tests/probe" \
  -DZANTOVEL_HOST_PROGRAM="$PWD/build/test/app/zantovel" >/dev/null
cmake --build build/windows
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
ctest --test-dir build/windows --output-on-failure

# The benchmark once at a small size, to show that it still works; bench/run.sh measures.
build/test/bench/rename_bench --work build/test/bench-work --sizes 200 --runs 1 --big-mib 4
# And the command line against its peers, in both modes: each method must do its work.
for mode in typed all; do
  bash bench/peers.sh build/test/app/zantovel --mode "$mode" --sizes 50 --runs 1 \
    --work build/test/peers-work --out "build/test/peers-$mode"
done

# About a minute of fuzzing per target; fuzz/run.sh SECONDS runs longer.
bash fuzz/run.sh "${FUZZ_SECONDS:-60}"
