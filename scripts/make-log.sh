#!/usr/bin/env bash
# Writes a realistic spot log: a header, then RECORDS records with times in
# order through the day, a random call per record from CALLS unwatched ones,
# about 20 % of the records from the six watched calls of the demo setup file.
# Usage: scripts/make-log.sh RECORDS CALLS FILE
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 RECORDS CALLS FILE" >&2; exit 2; }
awk -v n="$1" -v calls="$2" -v seed="$1$2" 'BEGIN {
  srand(seed)
  split("W1AW K1JT G4ABC VK2XYZ JA1NRH DL1ABC", w, " ")
  print "Benchmark spot log 14.074 MHz"
  for (i = 0; i < n; i++) {
    s = int(i * 86400 / n); h = int(s / 3600); m = int(s / 60) % 60; sec = s % 60
    if (rand() < 0.2) call = w[int(rand() * 6) + 1]
    else { k = int(rand() * calls); call = sprintf("%c%c%d%c%c%c", 65 + k % 26, 65 + int(k / 26) % 26, k % 10,
                                                      65 + int(k / 260) % 26, 65 + int(k / 6760) % 26, 65 + (k * 7) % 26) }
    printf "%s,JO%02d,%02d:%02d:%02d,%d,%d\r\n", call, int(rand() * 100), h, m, sec, int(rand() * 34) - 24, -int(rand() * 60) - 2
  }
}' > "$3"
