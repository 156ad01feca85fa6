#!/usr/bin/env bash
# Measures what a running monitor costs: the CPU time of the monitor and of the
# X server together over a stretch of seconds, as a share of one core, with
# each log given (default: the demo log), one after the other in one run, so
# that the figures stand side by side. The monitor refreshes every ten seconds
# or so; what a log adds over the demo log is what its refreshes cost.
# Usage: scripts/measure-idle.sh [seconds [LOG...]]   (default 30; builds the release first)
#   e.g. scripts/make-log.sh 100000 300 /tmp/100k.log
#        scripts/measure-idle.sh 60 demo/spots.log /tmp/100k.log
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
logs=("$@")
[ ${#logs[@]} -gt 0 ] || logs=(demo/spots.log)
for log in "${logs[@]}"; do [ -f "$log" ] || { echo "measure-idle: no log $log" >&2; exit 2; }; done
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
cmake --build build-release -j"$(nproc)" > /dev/null

number=90
while [ -e /tmp/.X11-unix/X$number ]; do number=$((number + 1)); done
Xvfb :$number -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
xvfb=$!
monitor=""
run=""
cleanup() {
  [ -n "$monitor" ] && kill "$monitor" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  [ -n "$run" ] && rm -rf "$run"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$number ] && break; sleep 0.1; done

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
for log in "${logs[@]}"; do
  run=$(mktemp -d)
  cp build-release/skerrow "$run"/
  cp -r demo/. "$run"/
  cp "$log" "$run"/spots.log
  records=$(($(wc -l < "$run"/spots.log) - 1))
  DISPLAY=:$number "$run"/skerrow 2>/dev/null &
  monitor=$!
  sleep 5  # start-up and the first refresh are not idle time
  m0=$(ticks $monitor); x0=$(ticks $xvfb); t0=$(date +%s.%N)
  sleep "$seconds"
  m1=$(ticks $monitor); x1=$(ticks $xvfb); t1=$(date +%s.%N)
  kill "$monitor" 2>/dev/null || true
  wait "$monitor" 2>/dev/null || true
  monitor=""
  rm -rf "$run"
  run=""
  awk -v file="$log" -v n="$records" -v m=$((m1 - m0)) -v x=$((x1 - x0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
    wall = t1 - t0
    printf "%s (%d records), over %.1f s: monitor %.2f %%, X server %.2f %%, together %.2f %% of one core\n",
           file, n, wall, 100 * m / hz / wall, 100 * x / hz / wall, 100 * (m + x) / hz / wall }'
done
