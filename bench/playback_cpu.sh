#!/usr/bin/env bash
# CPU use while playing a 10-second 1080p clip in each engine, under Xvfb: bench/playback_cpu.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=12 -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 30 \
   "$work/1080p-h264.mp4"
ff -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=12 -c:v libx265 -preset veryfast -x265-params log-level=none \
   -pix_fmt yuv420p -g 30 -f mpegts "$work/1080p-hevc.ts"
for clip in "$work/1080p-h264.mp4" "$work/1080p-hevc.ts"; do
    xvfb-run -a -s "-screen 0 1920x1080x24" "$root/build/bin/bench_playback" --cpu "$clip" 8 2>/dev/null | grep engine=
done
