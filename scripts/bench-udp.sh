#!/usr/bin/env bash
# skerrow-feed --follow --udp under 2,000 decodes a second for 10 seconds from
# loopback: every one must reach the spot log (none lost), and the feeder's
# CPU time is stated beside the floor, a bare receiver taking the same
# datagrams and doing nothing with them, in the same run. Builds the release first.
set -euo pipefail
cd "$(dirname "$0")/.."
rate=2000 seconds=10
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKERROW_TESTS=OFF -DSKERROW_BENCH=ON > /dev/null
cmake --build build-release -j"$(nproc)" --target skerrow-feed udp_bench > /dev/null
work=$(mktemp -d)
feed=
cleanup() { [ -n "$feed" ] && kill "$feed" 2> /dev/null; wait 2> /dev/null; rm -rf "$work"; }
trap cleanup EXIT
total=$((rate * seconds))
port=$((20000 + RANDOM % 20000))
ticks=$(getconf CLK_TCK)
# Near the end of a UTC day the decodes could fall into the next one.
if [ $(( $(date -u +%s) % 86400 )) -gt $((86400 - 60)) ]; then sleep 61; fi

echo "== floor: a bare receiver"
build-release/bench/udp_bench sink $port $total > "$work/sink" &
sink=$!
sleep 0.5
build-release/bench/udp_bench send $port $rate $seconds
wait $sink
read -r sunk sink_cpu < "$work/sink"

echo "== skerrow-feed --follow --udp :$port"
HOME=$work build-release/skerrow-feed --follow --udp :$port -o "$work/spots.log" 2> "$work/feed.err" &
feed=$!
for _ in $(seq 100); do [ -s "$work/spots.log" ] && break; sleep 0.1; done
build-release/bench/udp_bench send $port $rate $seconds
for _ in $(seq 100); do [ "$(($(wc -l < "$work/spots.log") - 1))" -ge $total ] && break; sleep 0.1; done
read -r -a stat < /proc/$feed/stat
feed_cpu=$(awk -v u="${stat[13]}" -v s="${stat[14]}" -v t="$ticks" 'BEGIN { printf "%.3f", (u + s) / t }')
peak=$(awk '/VmHWM/ { print $2 }' /proc/$feed/status)
kill "$feed"; wait "$feed" || true; feed=
records=$(($(wc -l < "$work/spots.log") - 1))

printf '\n%-34s %8s %10s\n' "" "received" "CPU s"
printf '%-34s %8d %10s\n' "floor: bare receiver" "$sunk" "$sink_cpu"
printf '%-34s %8d %10s   (peak RSS %s kB)\n' "skerrow-feed (records in the log)" "$records" "$feed_cpu" "$peak"
printf 'sent %d decodes in %d s: %d lost\n' $total $seconds $((total - records))
tail -1 "$work/feed.err"
[ "$records" -eq "$total" ]
