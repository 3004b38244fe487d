#include "VlcVideoSurface.h"

#include "PictureArea.h"

#include <QMetaObject>
#include <QPainter>

VlcVideoSurface::VlcVideoSurface(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_viewSize = size();
}

void VlcVideoSurface::allocate(unsigned width, unsigned height, unsigned* pitches, unsigned* lines) {
    QMutexLocker lock(&m_mutex);
    // Y at full size, U and V at half the width and height rounded up; lines 32-byte aligned.
    const auto aligned = [](unsigned bytes) {
        return (bytes + 31) / 32 * 32;
    };
    const unsigned sizes[3][2] = {
        {width, height}, {(width + 1) / 2, (height + 1) / 2}, {(width + 1) / 2, (height + 1) / 2}};
    m_decoding = FramePlanes();
    m_decoding.format = QVideoFrameFormat::Format_YUV420P;
    m_decoding.size = QSize(static_cast<int>(width), static_cast<int>(height));
    size_t total = 0;
    for (size_t p = 0; p < 3; ++p) {
        pitches[p] = aligned(sizes[p][0]);
        lines[p] = sizes[p][1];
        m_decoding.bytesPerLine[p] = static_cast<int>(pitches[p]);
        m_decoding.bytes[p] = qint64(pitches[p]) * lines[p];
        total += size_t(pitches[p]) * lines[p];
    }
    m_buffer.assign(total, 0);
    size_t offset = 0;
    for (size_t p = 0; p < 3; ++p) {
        m_decoding.data[p] = m_buffer.data() + offset;
        offset += size_t(m_decoding.bytes[p]);
    }
    m_hasFrame = false;
}

void VlcVideoSurface::lockBuffer(void** planes) {
    m_mutex.lock();
    for (size_t p = 0; p < 3; ++p)
        planes[p] = const_cast<uchar*>(m_decoding.data[p]);
}

void VlcVideoSurface::unlockBuffer() {
    m_mutex.unlock();
}

void VlcVideoSurface::frameReady() {
    {
        QMutexLocker lock(&m_mutex);
        m_hasFrame = true;
        scaleForView();
        m_newFrame = true;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void VlcVideoSurface::clearFrame() {
    {
        QMutexLocker lock(&m_mutex);
        m_hasFrame = false;
        m_shown = QImage();
        m_newFrame = false;
    }
    update();
}

void VlcVideoSurface::setPictureSize(const QSize& size) {
    QMutexLocker lock(&m_mutex);
    m_pictureSize = size;
}

QRect VlcVideoSurface::pictureRect() const {
    return pictureArea(m_decoding.size, m_pictureSize);
}

QSize VlcVideoSurface::shownSize() const {
    return pictureRect().size().scaled((QSizeF(m_viewSize) * m_ratio).toSize(), Qt::KeepAspectRatio);
}

void VlcVideoSurface::scaleForView() {
    const QSize target = shownSize();
    if (target.isEmpty()) {
        m_shown = QImage();
        return;
    }
    m_shown = m_scaler.scale(m_decoding, pictureRect().size(), target);
    m_shown.setDevicePixelRatio(m_ratio);
}

QImage VlcVideoSurface::currentFrame() const {
    QMutexLocker lock(&m_mutex);
    if (!m_hasFrame)
        return {};
    FrameScaler scaler;
    const QSize picture = pictureRect().size();
    return scaler.scale(m_decoding, picture, picture);
}

void VlcVideoSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QMutexLocker lock(&m_mutex);
    m_viewSize = size();
    m_ratio = devicePixelRatioF();
}

void VlcVideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QImage frame;
    {
        QMutexLocker lock(&m_mutex);
        // A view resized since the frame was scaled (paused, or between frames) scales it again.
        if (m_hasFrame && m_shown.size() != shownSize())
            scaleForView();
        frame = m_shown; // shared, not copied
        if (m_newFrame && !frame.isNull()) {
            m_newFrame = false;
            ++m_framesShown;
        }
    }
    if (frame.isNull())
        return;
    const QSize shown = frame.deviceIndependentSize().toSize();
    painter.drawImage(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), frame);
}
