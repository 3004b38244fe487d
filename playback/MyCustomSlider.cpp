#include "MyCustomSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

QRectF MyCustomSlider::trackRect(const QSizeF& size) {
    const qreal h = size.height();
    return QRectF(h / 2, (h - 3) / 2, size.width() - h, 2);
}

void MyCustomSlider::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 77)); // white at opacity 0.3
        painter.drawRoundedRect(trackRect(size()), 1, 1);
    }
    QSlider::paintEvent(event);
}

void MyCustomSlider::mousePressEvent(QMouseEvent* event) {
    m_released = false;
    // A click jumps to the clicked place instead of paging.
    if (event->button() == Qt::LeftButton && orientation() == Qt::Horizontal) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const int value =
            QStyle::sliderValueFromPosition(minimum(), maximum(), qRound(event->position().x()), width());
        setSliderDown(true);
        setValue(value);
        event->accept();
        return;
    }
    QSlider::mousePressEvent(event);
}

void MyCustomSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        m_released = true;
        setSliderDown(false);
        emit sliderMoved(value()); // the action once more, on release
        m_released = false;
    }
}
