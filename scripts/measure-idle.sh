#!/usr/bin/env bash
# Measures what an idle monitor costs: the CPU time of the monitor and of the
# X server together over a stretch of seconds, as a share of one core.
# Usage: scripts/measure-idle.sh [seconds]   (default 30; builds the release first)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
cmake --build build-release -j"$(nproc)" > /dev/null
run=$(mktemp -d)
cp build-release/skerrow "$run"/
cp -r demo/. "$run"/

number=90
while [ -e /tmp/.X11-unix/X$number ]; do number=$((number + 1)); done
Xvfb :$number -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
xvfb=$!
monitor=""
cleanup() {
  [ -n "$monitor" ] && kill "$monitor" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$number ] && break; sleep 0.1; done
DISPLAY=:$number "$run"/skerrow 2>/dev/null &
monitor=$!
sleep 5  # start-up and the first refresh are not idle time

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
m0=$(ticks $monitor); x0=$(ticks $xvfb); t0=$(date +%s.%N)
sleep "$seconds"
m1=$(ticks $monitor); x1=$(ticks $xvfb); t1=$(date +%s.%N)
awk -v m=$((m1 - m0)) -v x=$((x1 - x0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
  wall = t1 - t0
  printf "over %.1f s: monitor %.2f %%, X server %.2f %%, together %.2f %% of one core\n",
         wall, 100 * m / hz / wall, 100 * x / hz / wall, 100 * (m + x) / hz / wall }'
