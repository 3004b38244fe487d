#!/usr/bin/env bash
# What the whole player costs while it plays, beside the bare engine on the same file, in one run:
#   bench/playback_cpu.sh [BUILD_DIR] [RUNS]
# Makes three 30-second clips (1080p H.264 MP4 and 2160p HEVC 'hvc1' MP4 with a 'gps ' index, 1080p HEVC
# transport stream), each with sound and with its second written into the picture (a grey square at the top
# left), then for each clip, RUNS times (default 2), alternately:
#   - the bare engine: for MP4 (the platform engine) GStreamer's playbin with ximagesink and a fake audio
#     sink, for the transport stream (the VLC engine) bench/vlc_bare (libVLC through the player's callbacks
#     and pixel format); its CPU and the frames it put on screen over 22 s from two seconds in, and for
#     libVLC also the same five seeks as the player's;
#   - the player (bench_playback --play): from a click on the clip's row to its first frame, CPU of the
#     player and its helper processes and the frames painted over 22 s, and five seeks by clicks on the
#     seek bar, each until a frame of the asked-for second is on screen.
# All under one Xvfb screen large enough for the bare engines' windows at the video's size.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-2}"
if [ -z "${KESTRUN_BENCH_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 3840x2160x24" env KESTRUN_BENCH_DISPLAY=1 bash "$0" "$build" "$runs"
fi
export QTWEBENGINE_DISABLE_SANDBOX=1
seconds=22
fps=30
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
# clip NAME SIZE [ffmpeg output options...]: 30 s at 30 frames a second, a key frame a second, a 440 Hz tone.
clip() {
    local name="$1" size="$2"
    shift 2
    ff -f lavfi -i "testsrc2=size=$size:rate=$fps:duration=30" \
       -f lavfi -i "color=black:size=64x64:rate=$fps:duration=30,format=yuv420p,geq=lum='16+7*floor(T)':cb=128:cr=128" \
       -f lavfi -i "sine=frequency=440:duration=30" \
       -filter_complex "[0][1]overlay=0:0,format=yuv420p[v]" -map "[v]" -map 2 -g "$fps" -c:a aac "$@" \
       "$work/$name"
}
echo "making the clips..." >&2
clip raw-1080p-h264.mp4 1920x1080 -c:v libx264 -preset veryfast
clip 1080p-hevc.ts 1920x1080 -c:v libx265 -preset ultrafast -x265-params log-level=none -f mpegts
clip raw-2160p-hevc.mp4 3840x2160 -c:v libx265 -preset ultrafast -x265-params log-level=none -tag:v hvc1
"$build/bin/kestrun-clip" --from "$work/raw-1080p-h264.mp4" --seconds 30 "$work/1080p-h264.mp4" >/dev/null
"$build/bin/kestrun-clip" --from "$work/raw-2160p-hevc.mp4" --seconds 30 --drive world "$work/2160p-hevc.mp4" \
    >/dev/null

# CPU clock ticks of a process and the processes below it.
tree_ticks() {
    local total=0 pid
    for pid in $(pstree -pT "$1" | grep -o '([0-9]*)' | tr -d '()'); do
        [ -r "/proc/$pid/stat" ] || continue
        total=$((total + $(awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$pid/stat")))
    done
    echo "$total"
}

# GStreamer's playbin on FILE: CPU and frames rendered over $seconds s from two seconds in.
bare_gstreamer() {
    local log="$work/gst.log" pid t0 t1 r0 r1
    gst-launch-1.0 -v playbin uri="file://$1" audio-sink=fakesink \
        video-sink="fpsdisplaysink video-sink=ximagesink text-overlay=false sync=true" >"$log" 2>&1 &
    pid=$!
    sleep 2
    t0=$(tree_ticks "$pid")
    r0=$(grep -o 'rendered: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
    sleep "$seconds"
    t1=$(tree_ticks "$pid")
    r1=$(grep -o 'rendered: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    awk -v t=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" -v f=$((r1 - r0)) -v s="$seconds" -v fps="$fps" \
        'BEGIN { printf "cpu=%.2fs frames_shown=%d frames_in_file=%d\n", t / hz, f, s * fps }'
}

cpu_of() { sed -n 's/.*cpu=\([0-9.]*\)s.*/\1/p' <<<"$1" | head -1; }

for name in 1080p-h264.mp4 1080p-hevc.ts 2160p-hevc.mp4; do
    file="$work/$name"
    for run in $(seq "$runs"); do
        if [ "${name##*.}" = ts ]; then
            bare=$(DISPLAY="$DISPLAY" "$build/bin/vlc_bare" "$file" "$seconds")
            engine="bare libVLC"
        else
            bare=$(bare_gstreamer "$file")
            engine="gst playbin"
        fi
        player=$("$build/bin/bench_playback" --play "$file" "$fps" "$seconds" 2>/dev/null)
        echo "== $name run $run"
        echo "  $engine: $bare"
        sed 's/^/  player: /' <<<"$player"
        awk -v p="$(cpu_of "$player")" -v b="$(cpu_of "$bare")" \
            'BEGIN { if (b > 0) printf "  player CPU / bare engine CPU = %.2f\n", p / b }'
    done
done
