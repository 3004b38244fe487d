#!/usr/bin/env bash
# The real player's start with stores of 0, 1,000 and 10,000 clips × 180 samples, under Xvfb: time from
# the start of the process to its window on the screen, and its resident memory two seconds later. The
# sizes are taken in turn, ROUNDS times, so that the machine's load falls on all alike; the best start and
# the least memory of each are the figures.
# bench/player_start.sh BUILD_DIR [ROUNDS]
set -euo pipefail
build="$1"
rounds="${2:-5}"
work="$(mktemp -d)"
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
# A display number nobody uses (other test runs may be starting theirs at the same time).
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1440x900x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$display"

sizes=(0 1000 10000)
declare -A times rss
for clips in "${sizes[@]}"; do
    XDG_CONFIG_HOME="$work/config-$clips" QT_QPA_PLATFORM=offscreen "$build/bin/bench_scale" --prepare "$clips" \
        2> /dev/null
done
for _ in $(seq "$rounds"); do
    for clips in "${sizes[@]}"; do
        start=$(date +%s%N)
        XDG_CONFIG_HOME="$work/config-$clips" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
            KESTRUN_REACHABILITY=offline "$build/bin/kestrun-player" > "$work/player.log" 2>&1 &
        pid=$!
        until xwininfo -root -tree 2>/dev/null | grep -q '"Kestrun Player": ("kestrun-player"'; do
            kill -0 "$pid" 2> /dev/null || { echo "the player ended before its window showed:"; cat "$work/player.log"; exit 1; }
            sleep 0.01
        done
        times[$clips]+="$(( ($(date +%s%N) - start) / 1000000 )) "
        sleep 2
        rss[$clips]+="$(awk '/VmRSS/ { printf "%d", $2 / 1024 }' "/proc/$pid/status") "
        kill -TERM "$pid"
        wait "$pid" || true
    done
done
least() { tr ' ' '\n' | grep . | sort -n | head -1; }
echo "clips x 180 samples | start to window: best (each round) | resident after 2 s: least (each round)"
for clips in "${sizes[@]}"; do
    echo "$clips | $(echo "${times[$clips]}" | least) ms (${times[$clips]% }) | $(echo "${rss[$clips]}" | least) MB (${rss[$clips]% })"
done
echo "10000 clips against the empty store: start $(( $(echo "${times[10000]}" | least) - $(echo "${times[0]}" | least) )) ms, resident $(( $(echo "${rss[10000]}" | least) - $(echo "${rss[0]}" | least) )) MB"
