#include "FrameScaler.h"

#include <QVideoFrame>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

namespace {

struct Layout {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int planes = 1;
    bool halfHeightChroma = false; // the chroma planes have half the lines
    bool swapChroma = false;       // planes 1 and 2 hold V and U
    bool yuv = true;
};

Layout layoutOf(QVideoFrameFormat::PixelFormat format) {
    switch (format) {
    case QVideoFrameFormat::Format_YUV420P:
        return {AV_PIX_FMT_YUV420P, 3, true};
    case QVideoFrameFormat::Format_YV12:
        return {AV_PIX_FMT_YUV420P, 3, true, true};
    case QVideoFrameFormat::Format_YUV422P:
        return {AV_PIX_FMT_YUV422P, 3};
    case QVideoFrameFormat::Format_YUV420P10:
        return {AV_PIX_FMT_YUV420P10LE, 3, true};
    case QVideoFrameFormat::Format_NV12:
        return {AV_PIX_FMT_NV12, 2, true};
    case QVideoFrameFormat::Format_NV21:
        return {AV_PIX_FMT_NV21, 2, true};
    case QVideoFrameFormat::Format_P010:
        return {AV_PIX_FMT_P010LE, 2, true};
    case QVideoFrameFormat::Format_P016:
        return {AV_PIX_FMT_P016LE, 2, true};
    case QVideoFrameFormat::Format_UYVY:
        return {AV_PIX_FMT_UYVY422};
    case QVideoFrameFormat::Format_YUYV:
        return {AV_PIX_FMT_YUYV422};
    case QVideoFrameFormat::Format_Y8:
        return {AV_PIX_FMT_GRAY8};
    // The RGB formats, named by their bytes in memory.
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
        return {AV_PIX_FMT_ARGB, 1, false, false, false};
    case QVideoFrameFormat::Format_XRGB8888:
        return {AV_PIX_FMT_0RGB, 1, false, false, false};
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
        return {AV_PIX_FMT_BGRA, 1, false, false, false};
    case QVideoFrameFormat::Format_BGRX8888:
        return {AV_PIX_FMT_BGR0, 1, false, false, false};
    case QVideoFrameFormat::Format_ABGR8888:
        return {AV_PIX_FMT_ABGR, 1, false, false, false};
    case QVideoFrameFormat::Format_XBGR8888:
        return {AV_PIX_FMT_0BGR, 1, false, false, false};
    case QVideoFrameFormat::Format_RGBA8888:
        return {AV_PIX_FMT_RGBA, 1, false, false, false};
    case QVideoFrameFormat::Format_RGBX8888:
        return {AV_PIX_FMT_RGB0, 1, false, false, false};
    default:
        return {};
    }
}

// The matrix the file's colours were encoded with: what the frame states, else by size as players
// commonly guess (HD and above BT.709, standard definition BT.601).
int coefficientsOf(QVideoFrameFormat::ColorSpace space, const QSize& size) {
    switch (space) {
    case QVideoFrameFormat::ColorSpace_BT601:
        return SWS_CS_ITU601;
    case QVideoFrameFormat::ColorSpace_BT709:
        return SWS_CS_ITU709;
    case QVideoFrameFormat::ColorSpace_BT2020:
        return SWS_CS_BT2020;
    default:
        return size.height() > 576 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

} // namespace

FrameScaler::~FrameScaler() {
    sws_freeContext(m_context);
}

bool FrameScaler::converts(int pixelFormat) {
    return layoutOf(static_cast<QVideoFrameFormat::PixelFormat>(pixelFormat)).format != AV_PIX_FMT_NONE;
}

QImage FrameScaler::scale(const QVideoFrame& frame, const QSize& picture, const QSize& target) {
    if (!frame.isValid() || !converts(frame.pixelFormat()))
        return {};
    QVideoFrame mapped = frame; // shares the data
    if (!mapped.map(QVideoFrame::ReadOnly))
        return {};
    FramePlanes planes;
    planes.format = frame.pixelFormat();
    planes.size = frame.size();
    planes.colorSpace = frame.surfaceFormat().colorSpace();
    planes.colorRange = frame.surfaceFormat().colorRange();
    for (int p = 0; p < mapped.planeCount() && p < 4; ++p) {
        const auto i = static_cast<size_t>(p);
        planes.data[i] = mapped.bits(p);
        planes.bytesPerLine[i] = mapped.bytesPerLine(p);
        planes.bytes[i] = mapped.mappedBytes(p);
    }
    QImage image = scale(planes, picture, target);
    mapped.unmap();
    return image;
}

QImage FrameScaler::scale(const FramePlanes& frame, const QSize& picture, const QSize& target) {
    const Layout layout = layoutOf(frame.format);
    if (layout.format == AV_PIX_FMT_NONE || target.isEmpty())
        return {};
    QSize source = picture.isEmpty() ? frame.size : picture.boundedTo(frame.size);
    // Every plane the format has, and only the lines they all hold: frames of an odd number of lines may
    // come with chroma planes of the lines rounded down, and their last line is then left out.
    std::array<const uint8_t*, 4> planes{};
    std::array<int, 4> strides{};
    int lines = source.height();
    for (size_t p = 0; p < size_t(layout.planes); ++p) {
        if (!frame.data[p] || frame.bytesPerLine[p] <= 0)
            return {};
        planes[p] = frame.data[p];
        strides[p] = frame.bytesPerLine[p];
        const auto held =
            static_cast<int>(std::min<qint64>(frame.bytes[p] / frame.bytesPerLine[p], INT_MAX / 2));
        lines = std::min(lines, p > 0 && layout.halfHeightChroma ? held * 2 : held);
    }
    source.setHeight(lines);
    if (source.isEmpty())
        return {};
    if (layout.swapChroma) {
        std::swap(planes[1], planes[2]);
        std::swap(strides[1], strides[2]);
    }
    const Setup setup{source, target, static_cast<int>(layout.format),
                      layout.yuv ? coefficientsOf(frame.colorSpace, source) : -1,
                      frame.colorRange == QVideoFrameFormat::ColorRange_Full};
    if (!m_context || !(setup == m_setup)) {
        sws_freeContext(m_context);
        m_context =
            sws_getContext(source.width(), source.height(), layout.format, target.width(), target.height(),
                           AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_context)
            return {};
        if (layout.yuv)
            sws_setColorspaceDetails(m_context, sws_getCoefficients(setup.coefficients),
                                     setup.fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                                     1 << 16, 1 << 16);
        m_setup = setup;
    }

    QImage image(target, QImage::Format_RGB32);
    uint8_t* out[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int outStrides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int written =
        sws_scale(m_context, planes.data(), strides.data(), 0, source.height(), out, outStrides);
    return written > 0 ? image : QImage();
}
