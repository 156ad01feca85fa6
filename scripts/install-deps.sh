#!/usr/bin/env bash
# Installs the Debian packages Skerrow needs to build, run, test and package, when
# missing: the Linux build, and the Windows cross build with Wine to test it (its 32-bit
# half needs the i386 architecture; without the i386 Mesa packages a 32-bit
# program gets no GL context) and NSIS and zip for its installers.
set -euo pipefail
packages=(build-essential cmake pkg-config freeglut3-dev libglew-dev libgl1-mesa-dev libglu1-mesa-dev
          libx11-dev libxtst-dev libpng-dev libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
          xvfb xauth x11-utils desktop-file-utils dpkg-dev file time)
windows=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest nsis zip unzip
         wine wine64 wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386)
missing=()
for p in "${packages[@]}" "${windows[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
