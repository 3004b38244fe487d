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
    m_framePainted = !frame.isValid();
    update();
}

QImage PlatformVideoSurface::currentImage() const {
    QVideoFrame frame = m_frame; // shares the data; toImage maps it
    if (!frame.isValid())
        return {};
    const QImage image = frame.toImage();
    const QRect picture = pictureRect(image.size());
    return picture == image.rect() ? image : image.copy(picture);
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
    // The picture fitted to the widget, aspect ratio kept; a padded frame is drawn larger, with its padding
    // clipped off.
    const QSize frameSize = m_frame.size();
    const QRect picture = pictureRect(frameSize);
    const QSizeF fitted = QSizeF(picture.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    const double scale = picture.width() > 0 ? fitted.width() / picture.width() : 1.0;
    const QRectF whole(target.topLeft(), QSizeF(frameSize) * scale);
    painter.setClipRect(target);
    QVideoFrame::PaintOptions options;
    options.aspectRatioMode = Qt::IgnoreAspectRatio; // `whole` already keeps it
    m_frame.paint(&painter, whole, options);
    if (!m_framePainted) {
        m_framePainted = true;
        ++m_framesShown;
    }
}
