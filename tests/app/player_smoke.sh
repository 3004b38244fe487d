#!/usr/bin/env bash
# Starts the real player under Xvfb with an empty settings store, checks that it stays up and shows its
# window, and saves a screenshot: player_smoke.sh PLAYER ARTEFACT_DIR
set -euo pipefail
player="$1"
artefacts="$2"
mkdir -p "$artefacts"
work="$(mktemp -d)"
trap 'kill "$player_pid" "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# No map host is probed (KESTRUN_REACHABILITY=offline): the map draws its own base map under a banner.
# The player's own log lines are off, as a user starts it.
env -u QT_LOGGING_RULES XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    KESTRUN_REACHABILITY=offline "$player" > "$work/player.log" 2>&1 &
player_pid=$!

# xwininfo fails when a window goes away while it walks the tree (the map's view makes and drops some at
# start): only its output counts.
window=""
for _ in $(seq 150); do
    window="$({ xwininfo -root -tree 2>/dev/null || true; } | grep '"Kestrun Player": ("kestrun-player"' || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "no player window"; cat "$work/player.log"; exit 1; }
echo "$window"
sleep 2
kill -0 "$player_pid" || { echo "the player exited"; cat "$work/player.log"; exit 1; }
if command -v ffmpeg > /dev/null; then
    ffmpeg -nostdin -hide_banner -loglevel error -y -f x11grab -video_size 1440x900 -i "$DISPLAY" -frames:v 1 \
        "$artefacts/player-start.png" || true
fi
# Nothing on the console: the player's log lines are off by default.
noise="$(cat "$work/player.log")"
[ -z "$noise" ] || { echo "console noise:"; echo "$noise"; exit 1; }
grep -q '"userSpeed": "2"' "$work/config/Kestrun/KestrunPlayer.json" || { echo "start-up settings not stored"; exit 1; }
echo "player up, window shown"
