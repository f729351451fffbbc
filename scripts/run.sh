#!/usr/bin/env bash
# Installs what is needed, builds, and starts the window program. Without a
# display it says so and encodes the example sound with the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DRYX_BUILD_BENCH=OFF
cmake --build build/release -j "$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/release/app/ryx-encoder ]; then
  exec build/release/app/ryx-encoder
fi

echo "No display found, so the window cannot open here."
echo "To see it on a machine without a screen: xvfb-run -a build/release/app/ryx-encoder"
if [ -x build/release/cli/ryxenc ] && [ -f examples/hello.wav ]; then
  echo "Encoding the example sound with the command-line tool instead:"
  build/release/cli/ryxenc --asm build/release/hello.asm --bin build/release/hello.ryx examples/hello.wav
  echo "Wrote build/release/hello.asm and build/release/hello.ryx"
else
  echo "Built:"; find build/release -maxdepth 2 -type f -perm -u+x -name 'ryx*'
fi
