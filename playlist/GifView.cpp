#include "GifView.h"

#include "AppResources.h"

#include <QImageReader>
#include <QPainter>

GifView::GifView(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    for (int i = 1; i <= 12; ++i)
        m_names << QString("动画-%1").arg(i);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_frames.isEmpty())
            return;
        m_current = (m_current + 1) % m_frames.size();
        update();
    });
}

void GifView::setFrameNames(const QStringList& names) {
    m_names = names;
}

void GifView::createdImageAnimationView(const QString& picture) {
    m_frames.clear();
    QImageReader reader(AppResources::picturePath(picture));
    m_frames.reserve(qMax(0, reader.imageCount()));
    const QSize size = this->size().isEmpty() ? QSize(64, 64) : this->size();
    for (const QString& name : m_names) {
        const QPixmap frame = AppResources::picture(name, size, devicePixelRatioF());
        if (!frame.isNull())
            m_frames.append(frame); // a missing frame is skipped
    }
    m_current = 0;
    if (m_frames.isEmpty()) {
        m_timer.stop();
        return;
    }
    m_timer.start(kCycleMs / static_cast<int>(m_frames.size()));
    update();
}

void GifView::paintEvent(QPaintEvent*) {
    if (m_frames.isEmpty())
        return;
    QPainter painter(this);
    const QPixmap& frame = m_frames.at(m_current);
    const QSize shown = frame.deviceIndependentSize().toSize().scaled(size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
                       frame);
}
