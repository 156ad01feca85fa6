#!/usr/bin/env bash
# Cross-builds Skerrow for Windows with Debian's mingw-w64 compilers, through
# CMake and the toolchain files in cmake/: skerrow.exe, skerrow-snapshot.exe
# and skerrow-feed.exe, optimised and statically linked (no DLL beside them
# but the system's), for 32-bit Windows in build-win32/ and 64-bit Windows in
# build-win64/.
#
#   scripts/build-windows.sh [--tests "WIDTH..."]
#
# --tests "64" (or "32 64") builds, for those widths, the unit tests and the
# programs that scripts/test-windows.sh runs under Wine as well; the other
# widths build the three executables alone.
set -euo pipefail
cd "$(dirname "$0")/.."
test_widths=""
if [ "${1:-}" = "--tests" ]; then
  test_widths=" ${2:-} "
fi
scripts/install-deps.sh
source scripts/windows-common.sh
jobs=$(nproc)
for w in "${windows_widths[@]}"; do
  tests=OFF targets=(--target "${windows_programs[@]}")
  if [[ $test_widths == *" $w "* ]]; then
    tests=ON targets=()
  fi
  cmake -S . -B "${windows_build[$w]}" -DCMAKE_TOOLCHAIN_FILE="${windows_toolchain[$w]}" -DCMAKE_BUILD_TYPE=Release \
    -DSKERROW_TESTS=$tests > /dev/null
  cmake --build "${windows_build[$w]}" -j"$jobs" "${targets[@]}"
done

# Only the system's DLLs may be imported.
system_dlls="kernel32.dll msvcrt.dll user32.dll gdi32.dll opengl32.dll glu32.dll winmm.dll shell32.dll advapi32.dll winhttp.dll ws2_32.dll iphlpapi.dll"
bad=0
for exe in "${windows_build[32]}"/*.exe "${windows_build[64]}"/*.exe "${windows_build[32]}"/tests/*.exe \
  "${windows_build[64]}"/tests/*.exe; do
  [ -f "$exe" ] || continue
  case $exe in */Skerrow-Setup*.exe) continue ;; esac  # the installers (scripts/build-installer.sh): NSIS's own
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case " $system_dlls " in
      *" $dll "*) ;;
      *) echo "$exe needs $dll" >&2; bad=1 ;;
    esac
  done
done
# The picture maker and the feeder open no window.
for w in "${windows_widths[@]}"; do
  for exe in skerrow-snapshot skerrow-feed; do
    if x86_64-w64-mingw32-objdump -p "${windows_build[$w]}/$exe.exe" | grep -qi 'DLL Name: opengl32.dll'; then
      echo "${windows_build[$w]}/$exe.exe needs OpenGL" >&2; bad=1
    fi
  done
done
[ $bad -eq 0 ]
for w in "${windows_widths[@]}"; do
  windows_programs_built "$w" "it was not built"
done
