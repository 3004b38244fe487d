#include "PlatformVideoSurface.h"

#include "PictureArea.h"

#include <QPainter>

PlatformVideoSurface::PlatformVideoSurface(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PlatformVideoSurface::setFrame(const QVideoFrame& frame) {
    m_frame = frame;
    m_scaled = QImage();
    m_framePainted = !frame.isValid();
    update();
}

QImage PlatformVideoSurface::currentImage() const {
    QVideoFrame frame = m_frame; // shares the data; toImage maps it
    if (!frame.isValid())
        return {};
    const QRect picture = pictureRect(frame.size());
    if (FrameScaler::converts(frame.pixelFormat())) {
        FrameScaler scaler;
        const QImage image = scaler.scale(frame, picture.size(), picture.size());
        if (!image.isNull())
            return image;
    }
    const QImage image = frame.toImage();
    return picture == image.rect() ? image : image.copy(pictureRect(image.size()));
}

QRect PlatformVideoSurface::pictureRect(const QSize& frameSize) const {
    return pictureArea(frameSize, m_pictureSize);
}

void PlatformVideoSurface::clearFrame() {
    setFrame(QVideoFrame());
}

void PlatformVideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_frame.isValid())
        return;
    // The picture fitted to the widget, aspect ratio kept, converted at that size once per frame; a padded
    // frame's padding is left out.
    const QSize frameSize = m_frame.size();
    const QRect picture = pictureRect(frameSize);
    const QSize fitted = picture.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    const qreal ratio = devicePixelRatioF(); // converted at the screen's own pixels
    const QSize pixels = (QSizeF(fitted) * ratio).toSize();
    if (m_scaled.size() != pixels) {
        m_scaled = m_scaler.scale(m_frame, picture.size(), pixels);
        m_scaled.setDevicePixelRatio(ratio);
    }
    if (!m_scaled.isNull()) {
        painter.drawImage(target.topLeft(), m_scaled);
    } else {
        // A pixel format the scaler does not convert: Qt Multimedia paints it.
        const double scale = picture.width() > 0 ? double(fitted.width()) / picture.width() : 1.0;
        const QRectF whole(target.topLeft(), QSizeF(frameSize) * scale);
        painter.setClipRect(target);
        QVideoFrame::PaintOptions options;
        options.aspectRatioMode = Qt::IgnoreAspectRatio; // `whole` already keeps it
        m_frame.paint(&painter, whole, options);
    }
    if (!m_framePainted) {
        m_framePainted = true;
        ++m_framesShown;
    }
}
