#pragma once

#include <QImage>
#include <QSize>
#include <QVideoFrameFormat>

#include <array>

class QVideoFrame;
struct SwsContext;

// A picture in memory: the planes of a pixel format, each with its bytes per line and its length.
struct FramePlanes {
    QVideoFrameFormat::PixelFormat format = QVideoFrameFormat::Format_Invalid;
    QSize size;
    std::array<const uchar*, 4> data{};
    std::array<int, 4> bytesPerLine{};
    std::array<qint64, 4> bytes{};
    QVideoFrameFormat::ColorSpace colorSpace = QVideoFrameFormat::ColorSpace_Undefined;
    QVideoFrameFormat::ColorRange colorRange = QVideoFrameFormat::ColorRange_Unknown;
};

// Turns a decoded video frame into an RGB picture of the size it is shown at, in one pass on the CPU
// (libswscale: colour conversion and a filtered scale together). Painting a full-size frame and letting
// the painter scale it costs several times more, and Qt Multimedia's own conversion renders through
// OpenGL, which on machines without a graphics driver runs in software.
// The conversion's set-up is kept between frames of one size, format and colour space.
class FrameScaler {
public:
    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // The top-left `picture` part of `frame` (its whole when empty) scaled to `target` (RGB32). A null
    // image when the frame cannot be read or its pixel format is not one this converts (see `converts`).
    QImage scale(const QVideoFrame& frame, const QSize& picture, const QSize& target);
    // The same for a picture already in memory.
    QImage scale(const FramePlanes& frame, const QSize& picture, const QSize& target);

    // Whether frames of this pixel format (QVideoFrameFormat::PixelFormat) are converted here.
    static bool converts(int pixelFormat);

private:
    // What the context was made for: it is made again when any of it changes.
    struct Setup {
        QSize source;
        QSize target;
        int pixelFormat = -1; // libswscale's
        int coefficients = -1;
        bool fullRange = false;
        bool operator==(const Setup&) const = default;
    };
    SwsContext* m_context = nullptr;
    Setup m_setup;
};
