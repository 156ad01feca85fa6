#!/usr/bin/env bash
# Installs what the monitor needs and is missing (scripts/install-deps.sh
# monitor), builds the monitor and its command interpreter, lays out a run
# folder with the demo setup file and spot log beside the executable, and
# starts the monitor there. One line per step, with the time it took.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh monitor

log=build-release/build.log
mkdir -p build-release
printf '== building skerrow and skerrow-cmd ... '
began=$SECONDS
# No tests and no feeder: the configure needs nothing beyond the monitor's packages.
if ! { cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF -DSKERROW_FEED=OFF &&
       cmake --build build-release -j"$(nproc)" --target skerrow skerrow-cmd; } > "$log" 2>&1; then
  echo "failed:"
  tail -n 30 "$log" >&2
  exit 1
fi
echo "($((SECONDS - began)) s)"

run=build-release/run
mkdir -p "$run"
cp build-release/skerrow build-release/skerrow-cmd build-release/SkerrowHelp.htm "$run"/
cp demo/Skerrow020.SET demo/spots.log "$run"/
if [ -z "${DISPLAY:-}" ]; then
  echo "skerrow: no X display (DISPLAY is not set); run this on a desktop, or under Xvfb: xvfb-run -a -s '-screen 0 1024x768x24' $0"
  exit 1
fi
echo "== starting the monitor in $run (Esc ends it)"
# The demo feeder adds a spot every few seconds while the monitor runs.
demo/feed-demo.sh "$run/spots.log" 4 &
feeder=$!
trap 'kill $feeder 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM HUP
"$run"/skerrow "$@"
