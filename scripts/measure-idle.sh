#!/usr/bin/env bash
# Measures what a running monitor costs: the CPU time of the monitor and of its
# X server together over a stretch of seconds, as a share of one core. With
# several logs, one monitor per log runs at the same time, each on an Xvfb of
# its own, so that the figures stand side by side over the same seconds. The
# monitor refreshes every ten seconds or so; what a log adds over the demo log
# is what its refreshes cost.
# Usage: scripts/measure-idle.sh [seconds [LOG...]]   (default 30 s, the demo log; builds the release first)
#   e.g. scripts/make-log.sh 100000 300 /tmp/100k.log
#        scripts/measure-idle.sh 60 demo/spots.log /tmp/100k.log
#   MONITOR=/path/to/skerrow measures that build instead (nothing is built).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
logs=("$@")
[ ${#logs[@]} -gt 0 ] || logs=(demo/spots.log)
for log in "${logs[@]}"; do [ -f "$log" ] || { echo "measure-idle: no log $log" >&2; exit 2; }; done
monitor=${MONITOR:-}
if [ -z "$monitor" ]; then
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
  cmake --build build-release -j"$(nproc)" > /dev/null
  monitor=build-release/skerrow
fi

pids=()
runs=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for run in "${runs[@]}"; do rm -rf "$run"; done
}
trap cleanup EXIT

number=90
monitors=() servers=()
for log in "${logs[@]}"; do
  while [ -e /tmp/.X11-unix/X$number ]; do number=$((number + 1)); done
  Xvfb :$number -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
  servers+=($!)
  pids+=($!)
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$number ] && break; sleep 0.1; done
  run=$(mktemp -d)
  runs+=("$run")
  cp "$monitor" "$run"/skerrow
  cp -r demo/. "$run"/
  cp "$log" "$run"/spots.log
  DISPLAY=:$number "$run"/skerrow 2>/dev/null &
  monitors+=($!)
  pids+=($!)
  number=$((number + 1))
done
sleep 5  # start-up and the first refresh are not idle time

# CPU time in nanoseconds, exact, summed over the process's threads: the
# kernel's run-time account of each (/proc/PID/task/TID/schedstat), not the
# clock-tick samples of /proc/PID/stat, which charge a 10 ms tick to whatever
# runs when it falls and so scatter short wake-ups by tenths of a per cent.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d\n", sum }'; }
m0=() x0=()
for i in "${!logs[@]}"; do m0+=($(cpu_ns "${monitors[$i]}")); x0+=($(cpu_ns "${servers[$i]}")); done
t0=$(date +%s.%N)
sleep "$seconds"
t1=$(date +%s.%N)
for i in "${!logs[@]}"; do
  m=$(($(cpu_ns "${monitors[$i]}") - ${m0[$i]})) x=$(($(cpu_ns "${servers[$i]}") - ${x0[$i]}))
  records=$(($(wc -l < "${logs[$i]}") - 1))
  awk -v file="${logs[$i]}" -v n="$records" -v m=$m -v x=$x  -v t0="$t0" -v t1="$t1" 'BEGIN {
    wall = t1 - t0
    printf "%s (%d records), over %.1f s: monitor %.2f %%, X server %.2f %%, together %.2f %% of one core\n",
           file, n, wall, m / 1e7 / wall, x / 1e7 / wall, (m + x) / 1e7 / wall }'
done
