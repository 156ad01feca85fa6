#!/usr/bin/env bash
# Makes the Windows installers (scripts/build-installer.sh, from the cross
# builds of scripts/build-windows.sh) and tests them under Wine in Xvfb with
# tests/wine/installer_win32_test.cpp: a silent install, the files and the
# Start-menu entries, the monitor's shortcut showing the demo log as the
# snapshot does, the feeder's shortcut converting an ALL.TXT from
# %LOCALAPPDATA%\WSJT-X, a silent uninstall keeping the user's files.
#
#   scripts/test-installer.sh [--fresh]
#
# Wine's prefix is build-wine-installer/prefix, of this script alone: made on
# the first run, cleared of Skerrow's traces on the next ones (--fresh makes it
# anew). Wine's menu builder is off, so no Linux menu entries are made. The
# 32-bit installer is built and checked; it runs only where 32-bit programs do.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fresh=0
[ "${1:-}" = "--fresh" ] && fresh=1
start=$SECONDS
phase() { echo "== installer: $1 ($((SECONDS - start)) s)"; }

source scripts/wine-session.sh
export WINEPREFIX=$root/build-wine-installer/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

source scripts/windows-common.sh
phase "installers"
scripts/build-installer.sh
for w in "${windows_widths[@]}"; do
  f=${windows_build[$w]}/${windows_setup[$w]} z=${windows_build[$w]}/${windows_zip[$w]}
  x86_64-w64-mingw32-objdump -f "$f" | grep -q "file format pei-$([ "$w" = 32 ] && echo i386 || echo x86-64)" ||
    { echo "$f is not a program of its width" >&2; exit 1; }
  listed=$(unzip -Z1 "$z" | sort | tr '\n' ' ')
  want="Skerrow/ Skerrow/Skerrow020.SET Skerrow/SkerrowHelp.htm Skerrow/skerrow-feed.exe Skerrow/skerrow-snapshot.exe Skerrow/skerrow.exe Skerrow/spots.log "
  [ "$listed" = "$want" ] || { echo "$z holds: $listed" >&2; exit 1; }
done

phase "driver"
cmake -S tests/wine -B build-wine/driver -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build-wine/driver -j"$(nproc)" --target installer_win32_test

phase "X server and Wine prefix"
wine_session_start build-wine-installer $fresh
# What an earlier run left: the program, its Start-menu entries, the decoder's folder, the uninstall entry.
clear_traces() {
  for user in "$WINEPREFIX"/drive_c/users/*/; do
    rm -rf "$user/AppData/Local/Programs/Skerrow" "$user/AppData/Local/WSJT-X" \
      "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Skerrow"
  done
  "$wine64" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skerrow' /f < /dev/null > /dev/null 2>&1 || true
}

# Only the widths whose programs run here (scripts/windows-common.sh).
windows_widths_to_run "the 32-bit installer" || exit 1
for w in "${widths[@]}"; do
  phase "the $w-bit installer under Wine"
  clear_traces
  SKERROW_WINE_LOADER=${windows_wine[$w]} SKERROW_SETUP=$root/${windows_build[$w]}/${windows_setup[$w]} \
    SKERROW_WINDOW_QUERY=$root/${windows_build[$w]}/tests/window_query_win32.exe \
    build-wine/driver/installer_win32_test < /dev/null
done
phase "done"
