#!/usr/bin/env bash
# skerrow-feed beside its floor, on generated decoder files, in one run:
#  1. converting a one-day ALL.TXT of 1,000,000 lines: the feeder, its floor
#     (`wc -l` on the input plus writing and syncing a file of the spot log's
#     size with dd conv=fsync) and an awk peer writing the same five fields;
#  2. the start on a 1 GB ALL.TXT of 400 days (42,000 decodes a day), --once
#     --day of its last day: beside `wc -l` on it and `tail -c` of that day;
#  3. the same on a generated 10 GB ALL.TXT of 4,000 days (skipped with
#     --no-10g; it needs some 11 GB free beside the build, and is deleted).
# Each the shortest of five runs (BENCH_RUNS), timed to the millisecond, with
# its peak RSS. Builds the release first; FEED=/path/to/skerrow-feed
# times that build instead (nothing is built).
# Usage: scripts/bench-feed.sh [--no-10g]
set -euo pipefail
export LC_ALL=C  # a decimal point in the times
cd "$(dirname "$0")/.."
big=1
[ "${1:-}" = "--no-10g" ] && big=0
feed=${FEED:-}
if [ -z "$feed" ]; then
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF > /dev/null
  cmake --build build-release -j"$(nproc)" --target skerrow-feed > /dev/null
  feed=$PWD/build-release/skerrow-feed
fi
mkdir -p build-release
work=$(mktemp -d "$PWD/build-release/bench-feed.XXXXXX")  # on the disk, not in memory
trap 'rm -rf "$work"' EXIT

# run NAME CMD...: runs CMD $runs times (output discarded); sets secs, the
# shortest wall time (to the millisecond: a short run is not told by tens of
# milliseconds), and peak_kb, the largest peak RSS. The shortest of a few runs
# is what the machine does when nothing else runs; every figure is taken so.
runs=${BENCH_RUNS:-5}
run() {
  local name=$1 i t0 t1 kb; shift
  secs=""; peak_kb=0
  for ((i = 0; i < runs; i++)); do
    t0=$EPOCHREALTIME
    /usr/bin/time -f "%M" -o "$work/time" "$@" > /dev/null 2>&1 || true
    t1=$EPOCHREALTIME
    secs=$(awk -v a="$t0" -v b="$t1" -v m="$secs" 'BEGIN { s = b - a; if (m != "" && m < s) s = m; printf "%.3f", s }')
    read -r kb < "$work/time"
    if [ "$kb" -gt "$peak_kb" ]; then peak_kb=$kb; fi
  done
  printf '  %-44s %7.3f s  peak RSS %8d kB\n' "$name" "$secs" "$peak_kb"
}
# Every file stays in the page cache: each figure reads from memory.

# One day of 1,000,000 decodes, in time order.
awk -v n=1000000 'BEGIN {
  split("W1AW K1JT G4ABC VK2XYZ JA1NRH DL1ABC OH2BH UA3ABC ZL1ABC PY2ABC", c, " ")
  for (i = 0; i < n; i++) {
    s = int(i * 86400 / n); h = int(s / 3600); m = int(s / 60) % 60; sec = s % 60
    printf "190908_%02d%02d%02d    14.074 Rx FT8    %3d  0.3 %4d CQ %s%d FN%02d\n", h, m, sec, (i % 40) - 24, 300 + i % 2000, c[i % 10 + 1], i % 997, i % 100
  }
}' > "$work/day.txt"
sync  # on the disk before anything is timed: a sync timed later does not wait for it

# DAYS days of 42,000 decodes each from 2015-01-01 (about 2.6 MB a day): a
# day's lines are made once without their date, then written under each date;
# the last date goes to standard error.
many_days() {
  awk -v days="$1" 'BEGIN {
    split("W1AW K1JT G4ABC VK2XYZ JA1NRH DL1ABC OH2BH UA3ABC ZL1ABC PY2ABC", c, " ")
    per = 42000
    for (i = 0; i < per; i++) {
      s = int(i * 86400 / per)
      line[i] = sprintf("_%02d%02d%02d    14.074 Rx FT8    %3d  0.3 %4d CQ %s%d FN%02d\n", int(s / 3600), int(s / 60) % 60, s % 60, (i % 40) - 24, 300 + i % 2000, c[i % 10 + 1], i % 997, i % 100)
    }
    split("31 28 31 30 31 30 31 31 30 31 30 31", len, " ")
    y = 2015; m = 1; d = 1
    for (k = 0; k < days; k++) {
      date = sprintf("%02d%02d%02d", y % 100, m, d)
      for (i = 0; i < per; i++) printf "%s%s", date, line[i]
      last = sprintf("%04d-%02d-%02d", y, m, d)
      d++
      dim = len[m] + (m == 2 && y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))
      if (d > dim) { d = 1; m++; if (m > 12) { m = 1; y++ } }
    }
    print last > "/dev/stderr"
  }'
}

echo "1. a one-day ALL.TXT of 1,000,000 lines ($(du -m "$work/day.txt" | cut -f1) MB)"
run "skerrow-feed --once" "$feed" --once --day 2019-09-08 -o "$work/spots.log" "$work/day.txt"
feed_s=$secs
log_bytes=$(stat -c %s "$work/spots.log")
echo "  ($(($(wc -l < "$work/spots.log") - 1)) records, $log_bytes bytes of spot log)"
run "floor: wc -l" wc -l "$work/day.txt"
wc_s=$secs
run "floor: dd of the log's size, conv=fsync" dd if=/dev/zero of="$work/dd.out" bs=1M count=$(((log_bytes + 1048575) / 1048576)) conv=fsync
dd_s=$secs
export work
run "peer: awk writing the five fields (no sync)" sh -c 'awk "{ print \$9 \",\" \$10 \",\" substr(\$1, 8, 2) \":\" substr(\$1, 10, 2) \":\" substr(\$1, 12, 2) \",\" \$5 \",\" }" "$work/day.txt" > "$work/awk.out"'
rm -f "$work/awk.out" "$work/dd.out"
awk -v f="$feed_s" -v w="$wc_s" -v d="$dd_s" 'BEGIN {
  floor = w + d; printf "  floor %.3f s; skerrow-feed at %.1f times the floor (wanted: at most 3)\n", floor, (floor > 0 ? f / floor : 0) }'

start_bench() {  # start_bench FILE LASTDAY LABEL
  echo "$3"
  run "skerrow-feed --once --day $2" "$feed" --once --day "$2" -o "$work/spots.log" "$1"
  start_s=$secs
  echo "  ($(($(wc -l < "$work/spots.log") - 1)) records)"
  run "peer: wc -l" wc -l "$1"
  run "peer: tail -c of the last day (2.6 MB)" tail -c 2650000 "$1"
}

last=$(many_days 400 2>&1 > "$work/ALL.TXT")
sync
start_bench "$work/ALL.TXT" "$last" "2. the start on a 400-day ALL.TXT ($(du -m "$work/ALL.TXT" | cut -f1) MB; wanted: under 0.5 s)"
one_gb_s=$start_s
rm -f "$work/ALL.TXT"
if [ "$big" = 1 ]; then
  last=$(many_days 4000 2>&1 > "$work/ALL.TXT")
  sync
  start_bench "$work/ALL.TXT" "$last" "3. the start on a 4,000-day ALL.TXT ($(du -m "$work/ALL.TXT" | cut -f1) MB; wanted: within twice the 400-day figure)"
  awk -v a="$one_gb_s" -v b="$start_s" 'BEGIN { printf "  %.1f times the 400-day start\n", (a > 0 ? b / a : 0) }'
  rm -f "$work/ALL.TXT"
fi
