#!/usr/bin/env bash
# Installs the Debian packages Skerrow needs to build, run, test and package, when missing.
set -euo pipefail
packages=(build-essential cmake pkg-config freeglut3-dev libglew-dev libgl1-mesa-dev libglu1-mesa-dev
          libx11-dev libxtst-dev libpng-dev libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
          xvfb xauth x11-utils desktop-file-utils dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
