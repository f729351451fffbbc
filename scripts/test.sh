#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs
# every test; then builds again with clang under AddressSanitizer +
# UndefinedBehaviorSanitizer, runs the tests of our own code there, and gives
# each fuzzer a short run (RYX_FUZZ_SECONDS, 20 s by default).
#
# Made for a fresh machine, whose compiler cache is empty: the Qt and
# GoogleTest headers are precompiled, and the sanitizer tests and the fuzzers
# share one clang build, so the libraries compile twice in all, not three times.
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

# lld links the many test programs in a fraction of the time the default linker takes.
link=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
  -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)

echo "== build"
# Optimised (-O2, as RelWithDebInfo) but without debug information: writing
# it is a quarter of each compile, and the sanitizer build below keeps it for
# the reports that need it.
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
  -DRYX_WERROR=ON -DRYX_PRECOMPILE_HEADERS=ON "${link[@]}"
cmake --build build/ci -j "$jobs"
echo "== test"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== build under AddressSanitizer + UndefinedBehaviorSanitizer, with the fuzzers"
# One clang build: the fuzzers need clang and the sanitizers anyway. The tests
# whose work is an outside program (simulators, assembler) are not built here
# (tests/CMakeLists.txt says which); the tests above ran them. Not compiled
# while those tests run: that saved little, and a window test failed under it.
CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRYX_WERROR=ON -DRYX_SANITIZE=ON \
  -DRYX_BUILD_FUZZ=ON -DRYX_BUILD_BENCH=OFF -DRYX_PRECOMPILE_HEADERS=ON "${link[@]}"
cmake --build build/sanitize -j "$jobs"

echo "== test under AddressSanitizer + UndefinedBehaviorSanitizer"
# Leak checking is off: the toolkit's libraries keep caches until exit.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== fuzz the parsers, the importer, the command line and output plan, and the encoders"
fuzz/run-fuzzers.sh build/sanitize "${RYX_FUZZ_SECONDS:-20}"
echo "== all tests passed"
