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
jobs=$(nproc)
declare -A toolchain=([32]=cmake/mingw-i686.cmake [64]=cmake/mingw-x86_64.cmake)
for w in 32 64; do
  tests=OFF targets=(--target skerrow skerrow-snapshot skerrow-feed)
  if [[ $test_widths == *" $w "* ]]; then
    tests=ON targets=()
  fi
  cmake -S . -B "build-win$w" -DCMAKE_TOOLCHAIN_FILE="${toolchain[$w]}" -DCMAKE_BUILD_TYPE=Release \
    -DSKERROW_TESTS=$tests > /dev/null
  cmake --build "build-win$w" -j"$jobs" "${targets[@]}"
done

# Only the system's DLLs may be imported.
system_dlls="kernel32.dll msvcrt.dll user32.dll gdi32.dll opengl32.dll glu32.dll winmm.dll shell32.dll advapi32.dll winhttp.dll ws2_32.dll iphlpapi.dll"
bad=0
for exe in build-win32/*.exe build-win64/*.exe build-win32/tests/*.exe build-win64/tests/*.exe; do
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
for w in 32 64; do
  for exe in skerrow-snapshot skerrow-feed; do
    if x86_64-w64-mingw32-objdump -p "build-win$w/$exe.exe" | grep -qi 'DLL Name: opengl32.dll'; then
      echo "build-win$w/$exe.exe needs OpenGL" >&2; bad=1
    fi
  done
done
[ $bad -eq 0 ]
for w in 32 64; do
  for exe in skerrow skerrow-snapshot skerrow-feed; do
    [ -f "build-win$w/$exe.exe" ] || { echo "build-win$w/$exe.exe was not built" >&2; exit 1; }
  done
done
