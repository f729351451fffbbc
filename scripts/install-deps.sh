#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the program and its
# tests need and the machine lacks. Works as root; uses sudo otherwise.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev lld pkg-config
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev hyperfine
  # windows and sound
  qt6-base-dev qt6-multimedia-dev fonts-dejavu-core
  # importing sounds of any kind
  libsndfile1-dev libsoxr-dev
  # checks against real programs: assembler, an 8051 C compiler (the C header's
  # storage keyword), display, sound server, sound tools
  gputils gpsim ngspice sdcc desktop-file-utils xvfb xauth xdotool imagemagick x11-apps
  pulseaudio pulseaudio-utils sox libsox-fmt-mp3 espeak-ng
  # the C player on AVR: compiler, C library, simulator and its library
  gcc-avr avr-libc simavr libsimavr-dev
  # how outputs are put in place (system calls of ryxenc)
  strace
  # the simulator's headers, for our serial-memory modules
  gpsim-dev
  # faster rebuilds
  ccache
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
