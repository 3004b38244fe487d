#!/usr/bin/env bash
# The real player's start with stores of 0, 1,000 and 10,000 clips × 180 samples, under Xvfb: time from
# the start of the process to its window on the screen, and its resident memory two seconds later.
# bench/player_start.sh BUILD_DIR [ROUNDS]
set -euo pipefail
build="$1"
rounds="${2:-3}"
work="$(mktemp -d)"
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

echo "clips x 180 samples | start to window (ms), each round | resident after 2 s (MB)"
for clips in 0 1000 10000; do
    config="$work/config-$clips"
    XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen "$build/bin/bench_scale" --prepare "$clips" 2> /dev/null
    times=()
    rss=0
    for _ in $(seq "$rounds"); do
        start=$(date +%s%N)
        XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
            KESTRUN_REACHABILITY=offline "$build/bin/kestrun-player" > "$work/player.log" 2>&1 &
        pid=$!
        until xwininfo -root -tree 2>/dev/null | grep -q '"Kestrun Player": ("kestrun-player"'; do sleep 0.01; done
        times+=($(( ($(date +%s%N) - start) / 1000000 )))
        sleep 2
        rss=$(awk '/VmRSS/ { printf "%d", $2 / 1024 }' "/proc/$pid/status")
        kill -TERM "$pid"
        wait "$pid" || true
    done
    echo "$clips | ${times[*]} | $rss"
done
