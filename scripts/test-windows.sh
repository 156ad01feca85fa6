#!/usr/bin/env bash
# Builds Skerrow for Windows, 32 bits (build-win32/) and 64 bits (build-win64/),
# cross-compiled (scripts/build-windows.sh), and tests it under Wine: the unit
# tests of each width, then the drivers of tests/wine/ that run the window
# probe and the monitor itself in Xvfb, beside the Linux skerrow-snapshot.
#
# Wine's prefix is build-wine/prefix, made on the first run and reused after;
# --fresh makes it anew. One Xvfb and one persistent wineserver serve the whole
# run (Wine's desktop process stays bound to the display it started on), and
# every process started here is ended at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fresh=0
[ "${1:-}" = "--fresh" ] && fresh=1
scripts/install-deps.sh
jobs=$(nproc)
start=$SECONDS
phase() { echo "== $1 ($((SECONDS - start)) s)"; }

source scripts/wine-session.sh
# No Gecko or Mono in the prefix; a program that crashes ends at once, without
# waiting in Wine's debugger.
export WINEPREFIX=$root/build-wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# Only the widths whose programs run here (scripts/windows-common.sh);
# anywhere else a failing 32-bit Wine is a failure.
source scripts/windows-common.sh
windows_widths_to_run "the 32-bit build" || exit 1

phase "cross builds, with the tests of ${widths[*]} bits"
scripts/build-windows.sh --tests "${widths[*]}"

phase "the Linux skerrow-snapshot to compare with"
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build -j"$jobs" --target skerrow-snapshot > /dev/null

phase "drivers"
cmake -S tests/wine -B build-wine/driver -DCMAKE_BUILD_TYPE=Debug -DSKERROW_WINE_WIDTHS="$(IFS=';'; echo "${widths[*]}")" \
  -DSKERROW_WIN32_BUILD="$root/${windows_build[32]}" -DSKERROW_WIN64_BUILD="$root/${windows_build[64]}" \
  -DSKERROW_LINUX_SNAPSHOT="$root/build/skerrow-snapshot" > /dev/null
cmake --build build-wine/driver -j"$jobs"

phase "X server and Wine prefix"
wine_session_start build-wine $fresh

for w in "${widths[@]}"; do
  phase "unit tests, $w bits"
  (cd "${windows_build[$w]}" && ctest --output-on-failure -j"$jobs" --timeout 120)
done
phase "window tests"
(cd build-wine/driver && ctest --output-on-failure --timeout 600)
phase "done"
