#include "PlatformVideoSurface.h"

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

void PlatformVideoSurface::clearFrame() {
    setFrame(QVideoFrame());
}

void PlatformVideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_frame.isValid())
        return;
    QVideoFrame::PaintOptions options;
    options.aspectRatioMode = Qt::KeepAspectRatio;
    m_frame.paint(&painter, QRectF(rect()), options);
    if (!m_framePainted) {
        m_framePainted = true;
        ++m_framesShown;
    }
}
