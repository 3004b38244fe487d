#include "VlcVideoSurface.h"

#include "PictureArea.h"

#include <QMetaObject>
#include <QPainter>

VlcVideoSurface::VlcVideoSurface(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void* VlcVideoSurface::allocate(unsigned width, unsigned height) {
    QMutexLocker lock(&m_mutex);
    m_decoding = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    m_decoding.fill(Qt::black);
    return m_decoding.bits();
}

void* VlcVideoSurface::lockBuffer() {
    m_mutex.lock();
    return m_decoding.bits();
}

void VlcVideoSurface::unlockBuffer() {
    m_mutex.unlock();
}

void VlcVideoSurface::frameReady() {
    {
        QMutexLocker lock(&m_mutex);
        m_shown = m_decoding.copy();
        m_newFrame = true;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void VlcVideoSurface::clearFrame() {
    {
        QMutexLocker lock(&m_mutex);
        m_shown = QImage();
    }
    update();
}

void VlcVideoSurface::setPictureSize(const QSize& size) {
    QMutexLocker lock(&m_mutex);
    m_pictureSize = size;
}

QImage VlcVideoSurface::currentFrame() const {
    QMutexLocker lock(&m_mutex);
    const QRect picture = pictureArea(m_shown.size(), m_pictureSize);
    return picture.size() == m_shown.size() ? m_shown : m_shown.copy(picture);
}

void VlcVideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QImage frame;
    QRect picture;
    {
        QMutexLocker lock(&m_mutex);
        frame = m_shown; // shared, not copied
        picture = pictureArea(m_shown.size(), m_pictureSize);
        if (m_newFrame && !frame.isNull()) {
            m_newFrame = false;
            ++m_framesShown;
        }
    }
    if (frame.isNull())
        return;
    const QSize fitted = picture.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame, picture);
}
