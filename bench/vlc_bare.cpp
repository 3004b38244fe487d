// The bare VLC engine, the anchor of the VLC engine's playback cost: libVLC 3 with the player's options,
// decoding through the same video callbacks and pixel format as the player (I420 at the video's size), each
// frame made RGB at that size (libswscale) and put on an X window through shared memory, and nothing else.
//   vlc_bare FILE SECONDS
// Plays FILE; from two seconds in, for SECONDS, prints its CPU time, the frames put on the window and the
// media time that passed; then seeks as the benchmark's player does (to 20, 70, 35, 85 and 50 % of the
// length, whole seconds) and times each until a frame of that second is on the window.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <vlc/vlc.h>
extern "C" {
#include <libswscale/swscale.h>
}

#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Output {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    std::mutex mutex;
    std::vector<uint8_t> planes; // I420, written by libVLC
    int offsets[3] = {};
    int pitches[3] = {};
    SwsContext* rgb = nullptr;
    std::atomic<unsigned long> frames{0};
    std::atomic<int> shownSecond{-1}; // the second written into the last frame shown (see playback_cpu.sh)
};

unsigned setup(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
               unsigned* lines) {
    auto* screen = static_cast<Output*>(*opaque);
    std::lock_guard<std::mutex> lock(screen->mutex);
    std::memcpy(chroma, "I420", 4);
    Display* d = screen->display;
    const int s = DefaultScreen(d);
    screen->window = XCreateSimpleWindow(d, RootWindow(d, s), 0, 0, *width, *height, 0, 0, 0);
    XMapWindow(d, screen->window);
    screen->gc = XCreateGC(d, screen->window, 0, nullptr);
    screen->image =
        XShmCreateImage(d, DefaultVisual(d, s), 24, ZPixmap, nullptr, &screen->shm, *width, *height);
    screen->shm.shmid =
        shmget(IPC_PRIVATE, size_t(screen->image->bytes_per_line) * *height, IPC_CREAT | 0600);
    screen->shm.shmaddr = screen->image->data = static_cast<char*>(shmat(screen->shm.shmid, nullptr, 0));
    screen->shm.readOnly = False;
    XShmAttach(d, &screen->shm);
    XSync(d, False);
    shmctl(screen->shm.shmid, IPC_RMID, nullptr); // gone once both sides detach
    const unsigned widths[3] = {*width, (*width + 1) / 2, (*width + 1) / 2};
    const unsigned heights[3] = {*height, (*height + 1) / 2, (*height + 1) / 2};
    size_t total = 0;
    for (int p = 0; p < 3; ++p) {
        pitches[p] = (widths[p] + 31) / 32 * 32;
        lines[p] = heights[p];
        screen->pitches[p] = static_cast<int>(pitches[p]);
        screen->offsets[p] = static_cast<int>(total);
        total += size_t(pitches[p]) * lines[p];
    }
    screen->planes.assign(total, 0);
    screen->rgb = sws_getContext(static_cast<int>(*width), static_cast<int>(*height), AV_PIX_FMT_YUV420P,
                                 static_cast<int>(*width), static_cast<int>(*height), AV_PIX_FMT_BGR0,
                                 SWS_BILINEAR, nullptr, nullptr, nullptr);
    return 1;
}

void* lock(void* opaque, void** planes) {
    auto* screen = static_cast<Output*>(opaque);
    screen->mutex.lock();
    for (int p = 0; p < 3; ++p)
        planes[p] = screen->planes.data() + screen->offsets[p];
    return nullptr;
}

void unlock(void* opaque, void*, void* const*) {
    static_cast<Output*>(opaque)->mutex.unlock();
}

void display(void* opaque, void*) {
    auto* screen = static_cast<Output*>(opaque);
    std::lock_guard<std::mutex> guard(screen->mutex);
    const uint8_t* in[3] = {screen->planes.data() + screen->offsets[0],
                            screen->planes.data() + screen->offsets[1],
                            screen->planes.data() + screen->offsets[2]};
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(screen->image->data)};
    const int outPitch[1] = {screen->image->bytes_per_line};
    sws_scale(screen->rgb, in, screen->pitches, 0, screen->image->height, out, outPitch);
    XShmPutImage(screen->display, screen->window, screen->gc, screen->image, 0, 0, 0, 0,
                 static_cast<unsigned>(screen->image->width), static_cast<unsigned>(screen->image->height),
                 False);
    XSync(screen->display, False);
    // The grey square at the top left: luma 16 + 7 × the second.
    int sum = 0;
    for (int y = 16; y < 48; y += 4)
        for (int x = 16; x < 48; x += 4)
            sum += in[0][y * screen->pitches[0] + x];
    screen->shownSecond = static_cast<int>(std::lround((sum / 64.0 - 16) / 7));
    ++screen->frames;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vlc_bare FILE SECONDS\n");
        return 2;
    }
    XInitThreads();
    Output screen;
    screen.display = XOpenDisplay(nullptr);
    if (!screen.display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    // The player's options; it plays silently where there is no audio device, as here.
    const char* options[] = {"--network-caching=400", "--clock-jitter=400", "--quiet",
                             "--no-video-title-show", "--no-xlib",          "--aout=dummy"};
    libvlc_instance_t* vlc = libvlc_new(sizeof options / sizeof *options, options);
    libvlc_media_t* media = libvlc_media_new_path(vlc, argv[1]);
    libvlc_media_player_t* player = libvlc_media_player_new_from_media(media);
    libvlc_video_set_callbacks(player, lock, unlock, display, &screen);
    libvlc_video_set_format_callbacks(player, setup, nullptr);
    libvlc_media_player_play(player);

    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double cpu0 = cpuSeconds();
    const unsigned long frames0 = screen.frames;
    const libvlc_time_t media0 = libvlc_media_player_get_time(player);
    const auto wall0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    const double cpu = cpuSeconds() - cpu0;
    const unsigned long frames = screen.frames - frames0;
    const libvlc_time_t played = libvlc_media_player_get_time(player) - media0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    std::printf("cpu=%.2fs wall=%.2fs frames_shown=%lu media_seconds=%.2f\n", cpu, wall, frames,
                double(played) / 1000.0);
    const double length = double(libvlc_media_player_get_length(player)) / 1000.0;
    std::vector<double> seeks;
    for (const double at : {0.2, 0.7, 0.35, 0.85, 0.5}) {
        const int second = static_cast<int>(length * at);
        const unsigned long before = screen.frames;
        const auto start = std::chrono::steady_clock::now();
        libvlc_media_player_set_time(player, libvlc_time_t(second) * 1000);
        double ms = -1;
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            if (screen.frames > before && std::abs(screen.shownSecond - second) <= 1) {
                ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                         .count();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        seeks.push_back(ms);
        std::printf("seek_to=%ds ms=%.0f\n", second, ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    std::sort(seeks.begin(), seeks.end());
    std::printf("seek_median_ms=%.0f seek_worst_ms=%.0f\n", seeks[seeks.size() / 2], seeks.back());
    std::fflush(stdout);
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_media_release(media);
    libvlc_release(vlc);
    if (screen.image) {
        XShmDetach(screen.display, &screen.shm);
        shmdt(screen.shm.shmaddr);
        screen.image->data = nullptr; // not Xlib's to free
        XDestroyImage(screen.image);
    }
    sws_freeContext(screen.rgb);
    XCloseDisplay(screen.display);
    return 0;
}
