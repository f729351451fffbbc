#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, runs
# every test, runs them again under AddressSanitizer + UndefinedBehaviorSanitizer,
# and gives each fuzzer a short run (30 s).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
chmod 700 "$XDG_RUNTIME_DIR"

echo "== build and test"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRYX_WERROR=ON
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRYX_WERROR=ON -DRYX_SANITIZE=ON -DRYX_BUILD_BENCH=OFF
cmake --build build/asan -j "$jobs"
# Leak checking is off: the toolkit's libraries keep caches until exit.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

if [ -f fuzz/CMakeLists.txt ] && grep -q add_executable fuzz/CMakeLists.txt; then
  echo "== fuzz the parsers, the importer, the command line and output plan, and the encoders"
  CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRYX_BUILD_FUZZ=ON \
    -DRYX_BUILD_UI=OFF -DBUILD_TESTING=OFF -DRYX_BUILD_BENCH=OFF
  cmake --build build/fuzz -j "$jobs"
  fuzz/run-fuzzers.sh build/fuzz "${RYX_FUZZ_SECONDS:-30}"
fi
echo "== all tests passed"
