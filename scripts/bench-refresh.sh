#!/usr/bin/env bash
# What one refresh pass over the spot log costs, next to `wc -l` on the same file.
#
# Builds the release, writes realistic logs (times in order through the day, a
# random call per record from a few hundred, about 20 % of the records from the
# six watched calls; one more log with 20,000 distinct calls), and for each
# prints the pass (skerrow-snapshot on the log minus skerrow-snapshot on a
# header-only log, best of several runs), `wc -l` (best of several runs) and
# their ratio.
# Usage: scripts/bench-refresh.sh [runs]   (default 5)
#   SNAPSHOT=/path/to/skerrow-snapshot times that build instead (nothing is built).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
snapshot=${SNAPSHOT:-}
if [ -z "$snapshot" ]; then
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
  cmake --build build-release -j"$(nproc)" --target skerrow-snapshot > /dev/null
  snapshot=$PWD/build-release/skerrow-snapshot
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# best_ns CMD...: the shortest of $runs runs, in nanoseconds.
best_ns() {
  local best="" t0 t1 d
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N); "$@" > /dev/null 2>&1 || true; t1=$(date +%s%N); d=$((t1 - t0))
    if [ -z "$best" ] || [ "$d" -lt "$best" ]; then best=$d; fi
  done
  echo "$best"
}

setup() {  # setup FOLDER
  mkdir -p "$1"
  printf 'spots.log\r\nY\r\nW1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n' > "$1/Skerrow020.SET"
}

setup "$work/empty"
echo "Benchmark spot log 14.074 MHz" > "$work/empty/spots.log"
base=$(best_ns "$snapshot" -C "$work/empty" "$work/empty.png")

printf '%-22s %10s %10s %8s %7s\n' log records "pass ms" "wc -l ms" ratio
for spec in "10000 300" "100000 300" "1000000 300" "100000 20000"; do
  set -- $spec
  folder="$work/log-$1-$2"
  setup "$folder"
  scripts/make-log.sh "$1" "$2" "$folder/spots.log"
  total=$(best_ns "$snapshot" -C "$folder" "$work/out.png")
  wc=$(best_ns wc -l "$folder/spots.log")
  awk -v r="$1" -v c="$2" -v t="$total" -v b="$base" -v w="$wc" 'BEGIN {
    pass = t - b; if (pass < 0) pass = 0
    printf "%-22s %10d %10.1f %10.2f %8.1f\n", r / 1000 "k records, " c " calls", r, pass / 1e6, w / 1e6, pass / w }'
done
