#!/usr/bin/env bash
# The build refuses a layering breach: compiled with the include folders the
# build gives a layer, a header of each layer it may use is found and a header
# of any other layer is not (nor a Qt header, outside the windows). And the
# sound model stays pure: no core/ source includes a file, stream, system,
# signal or thread header.
# Usage: layering-check.sh COMPILER SOURCE_DIR LAYER=INCLUDES... (INCLUDES a ";"-separated list)
set -euo pipefail
compiler=$1
source_dir=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One header of each layer that needs nothing but the standard library.
declare -A probe=(
  [core]='"core/Encoder.h"' [formats]='"formats/WaveHeader.h"' [io]='"io/DisplayName.h"'
  [export]='"export/BitPacking.h"' [firmware]='"firmware/PicChip.h"' [import]='"import/ImportOptions.h"'
  [cli]='"cli/CommandLine.h"' [ui]='"ui/PictureGeometry.h"' [app]=''
)
# What each layer may use (itself included).
declare -A allowed=(
  [core]='core' [formats]='core formats' [io]='core formats io' [export]='core formats io export'
  [firmware]='core formats io export firmware' [import]='core formats import'
  [cli]='core formats io export firmware import cli' [ui]='core formats io export firmware import ui'
  [app]='core ui app'
)

status=0
compiles() {  # FLAGS HEADER
  printf '#include %s\n' "$2" > "$work/probe.cpp"
  # shellcheck disable=SC2086
  "$compiler" -std=c++20 -fsyntax-only $1 "$work/probe.cpp" 2> "$work/err.txt"
}

for given in "$@"; do
  layer=${given%%=*}
  flags=""
  IFS=';' read -ra dirs <<< "${given#*=}"
  for dir in "${dirs[@]}"; do [ -n "$dir" ] && flags+="-I$dir "; done
  for other in "${!probe[@]}"; do
    header=${probe[$other]}
    [ -n "$header" ] || continue
    expected=no
    [[ " ${allowed[$layer]} " == *" $other "* ]] && expected=yes
    if compiles "$flags" "$header"; then got=yes; else got=no; fi
    if [ "$got" != "$expected" ]; then
      echo "FAIL: $layer including $header: compiles=$got, expected $expected"; cat "$work/err.txt"; status=1
    fi
  done
  if [ "$layer" != ui ] && [ "$layer" != app ] && compiles "$flags" '<QString>'; then
    echo "FAIL: $layer can include Qt"; status=1
  fi
done

# The sound model: standard library only, and none of its I/O or threads.
forbidden='<(filesystem|fstream|iostream|cstdio|csignal|thread|mutex|atomic|future|condition_variable|chrono|stop_token|semaphore|latch|barrier|[a-z]+\.h|sys/[a-z/]+\.h)>'
if hits=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$forbidden" "$source_dir"/core/*.h "$source_dir"/core/*.cpp); then
  echo "FAIL: the core includes I/O, system or thread headers:"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo PASS
exit $status
