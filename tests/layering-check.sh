#!/usr/bin/env bash
# The build refuses a layering breach: with the include folders that core/,
# export/, firmware/ and import/ are compiled with, their own headers are found, while a Qt,
# ui/ or cli/ header is not. The window program (when its include folders are
# given) sees the windows and the core, and none of the layers inside them.
# Usage: layering-check.sh COMPILER CORE_INCLUDES EXPORT_INCLUDES FIRMWARE_INCLUDES IMPORT_INCLUDES [APP_INCLUDES]
# (";"-separated lists)
set -euo pipefail
compiler=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

flags() { local dir; for dir in ${1//;/ }; do printf -- '-I%s ' "$dir"; done; }

compiles() {  # FLAGS HEADER
  printf '#include %s\n' "$2" > "$work/probe.cpp"
  # shellcheck disable=SC2086
  "$compiler" -std=c++20 -fsyntax-only $1 "$work/probe.cpp" 2> "$work/err.txt"
}

status=0
check() {  # LAYER FLAGS HEADER EXPECTED(yes|no)
  if compiles "$2" "$3"; then got=yes; else got=no; fi
  if [ "$got" != "$4" ]; then
    echo "FAIL: $1 including $3: compiles=$got, expected $4"; cat "$work/err.txt"; status=1
  fi
}

core=$(flags "$2")
export_=$(flags "$3")
firmware=$(flags "$4")
import_=$(flags "$5")
check core "$core" '"core/Encoder.h"' yes
check core "$core" '<QString>' no
check core "$core" '<QtCore/QString>' no
check core "$core" '"ui/PictureGeometry.h"' no
check core "$core" '"export/BitPacking.h"' no
check core "$core" '"cli/CommandLine.h"' no
check export "$export_" '"export/BitPacking.h"' yes
check export "$export_" '"core/ProgramState.h"' yes
check export "$export_" '<QString>' no
check export "$export_" '"ui/PictureGeometry.h"' no
check export "$export_" '"cli/CommandLine.h"' no
check export "$export_" '"firmware/PicProgram.h"' no
check firmware "$firmware" '"firmware/PicProgram.h"' yes
check firmware "$firmware" '"export/TableLayout.h"' yes
check firmware "$firmware" '<QString>' no
check firmware "$firmware" '"ui/PictureGeometry.h"' no
check firmware "$firmware" '"cli/CommandLine.h"' no
check core "$core" '"import/SoundImport.h"' no
check import "$import_" '"import/SoundImport.h"' yes
check import "$import_" '"core/WavReader.h"' yes
check import "$import_" '<QString>' no
check import "$import_" '"ui/PictureGeometry.h"' no
check import "$import_" '"export/BitPacking.h"' no
check import "$import_" '"cli/CommandLine.h"' no
if [ $# -ge 6 ]; then
  app=$(flags "$6")
  check app "$app" '"ui/TFormMain.h"' yes
  check app "$app" '"core/ProgramState.h"' yes
  check app "$app" '"export/BinaryExport.h"' no
  check app "$app" '"firmware/PicProgram.h"' no
  check app "$app" '"import/ImportOptions.h"' no
  check app "$app" '"ui/SoundImporter.h"' no
fi
[ $status -eq 0 ] && echo PASS
exit $status
