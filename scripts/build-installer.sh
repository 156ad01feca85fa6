#!/usr/bin/env bash
# Makes the Windows installers and portable zips from the cross builds that
# scripts/build-windows.sh left in build-win32/ and build-win64/:
#
#   build-win32/Skerrow-Setup.exe      build-win32/Skerrow.zip
#   build-win64/Skerrow-Setup-x64.exe  build-win64/Skerrow-x64.zip
#
# Both hold the same folder, staged in build-winNN/installer/Skerrow/: the
# monitor, the snapshot, the feeder, the help page, the starter setup file
# (installer/Skerrow020.SET) and the demo log as its spot log.
#
#   scripts/build-installer.sh [32|64]...   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/windows-common.sh
widths=("$@")
[ ${#widths[@]} -gt 0 ] || widths=("${windows_widths[@]}")
start=$SECONDS

# One width: its folder staged, its installer and its zip.
make_width() {
  local w=$1 setup=${windows_setup[$1]} zip=${windows_zip[$1]} build stage
  build=$root/${windows_build[$w]}
  stage=$build/installer/Skerrow
  rm -rf "$build/installer"
  mkdir -p "$stage"
  cp "$build/skerrow.exe" "$build/skerrow-snapshot.exe" "$build/skerrow-feed.exe" monitor/SkerrowHelp.htm \
    installer/Skerrow020.SET "$stage/"
  cp demo/spots.log "$stage/spots.log"
  makensis -V2 -NOCD -DWIDTH="$w" -DSTAGE="$stage" -DOUTFILE="$build/$setup" installer/skerrow.nsi
  rm -f "$build/$zip"
  (cd "$build/installer" && zip -q -X -r "$build/$zip" Skerrow)
  echo "${windows_build[$w]}/$setup, ${windows_build[$w]}/$zip"
}

for w in "${widths[@]}"; do
  case $w in
    32 | 64) ;;
    *) echo "usage: scripts/build-installer.sh [32|64]..." >&2; exit 2 ;;
  esac
  windows_programs_built "$w" "run scripts/build-windows.sh first" || exit 1
done
# The widths side by side: the compression is most of the time.
pids=()
for w in "${widths[@]}"; do
  make_width "$w" &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done
[ $failed -eq 0 ]
echo "installers made in $((SECONDS - start)) s"
