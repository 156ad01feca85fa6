#!/usr/bin/env bash
# Installs what is missing, builds Skerrow, lays out a run folder with the demo
# setup file and spot log beside the executable, and starts the monitor there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
cmake --build build-release -j"$(nproc)" > /dev/null
run=build-release/run
mkdir -p "$run"
cp build-release/skerrow build-release/skerrow-cmd build-release/skerrow-feed build-release/skerrow-snapshot \
   build-release/SkerrowHelp.htm "$run"/
cp demo/Skerrow020.SET demo/spots.log "$run"/
if [ -z "${DISPLAY:-}" ]; then
  echo "skerrow: no X display (DISPLAY is not set); run this on a desktop, or under Xvfb: xvfb-run -s '-screen 0 1024x768x24' $0"
  exit 1
fi
# The demo feeder adds a spot every few seconds while the monitor runs.
demo/feed-demo.sh "$run/spots.log" 4 &
feeder=$!
trap 'kill $feeder 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM HUP
"$run"/skerrow "$@"
