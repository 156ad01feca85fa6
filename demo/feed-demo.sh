#!/usr/bin/env bash
# Appends a spot to the demo spot log every few seconds, stamped with the
# current UTC time, as a receiving program would: the monitor shows the new
# spots at its next refresh. Usage: demo/feed-demo.sh [LOG] [SECONDS]
set -euo pipefail
log=${1:-spots.log}
pause=${2:-4}
calls=(W1AW K1JT G4ABC VK2XYZ JA1NRH DL1ABC OH2BH UA3ABC ZL1ABC PY2ABC LU1ABC EA8ABC KH6ABC VE3ABC N0ABC)
while :; do
  call=${calls[RANDOM % ${#calls[@]}]}
  hour=$((10#$(date -u +%H)))
  # SNR follows a rough day curve: better around the middle of the day.
  swing=$(( (12 - (hour > 12 ? hour - 12 : 12 - hour)) ))
  snr=$(( -24 + swing + RANDOM % 12 ))
  level=$(( -55 + swing * 2 + RANDOM % 10 ))
  printf '%s,14.0956,%s,%d,%d\r\n' "$call" "$(date -u +%H:%M:%S)" "$snr" "$level" >> "$log"
  sleep "$pause"
done
