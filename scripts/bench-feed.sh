#!/usr/bin/env bash
# Lines per second for skerrow-feed converting a 1,000,000-line ALL.TXT, next
# to `wc -l` on the same file. Builds the release first.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
cmake --build build-release -j"$(nproc)" --target skerrow-feed > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v n=1000000 'BEGIN {
  split("W1AW K1JT G4ABC VK2XYZ JA1NRH DL1ABC OH2BH UA3ABC ZL1ABC PY2ABC", c, " ")
  for (i = 0; i < n; i++) {
    s = int(i * 86400 / n); h = int(s / 3600); m = int(s / 60) % 60; sec = s % 60
    printf "190908_%02d%02d%02d    14.074 Rx FT8    %3d  0.3 %4d CQ %s FN%02d\n", h, m, sec, (i % 40) - 24, 300 + i % 2000, c[i % 10 + 1], i % 100
  }
}' > "$work/ALL.TXT"
nanoseconds() { local t0 t1; t0=$(date +%s%N); "$@" > /dev/null 2>&1; t1=$(date +%s%N); echo $((t1 - t0)); }
feed=$(nanoseconds build-release/skerrow-feed --once --day 2019-09-08 -o "$work/spots.log" "$work/ALL.TXT")
wc=$(nanoseconds wc -l "$work/ALL.TXT")
awk -v f="$feed" -v w="$wc" 'BEGIN {
  printf "skerrow-feed: %.3f s, %.0f lines/s\nwc -l:        %.3f s, %.0f lines/s\n", f / 1e9, 1e6 / (f / 1e9), w / 1e9, 1e6 / (w / 1e9) }'
