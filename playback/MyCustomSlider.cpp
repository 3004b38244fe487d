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

int MyCustomSlider::valueAt(double x) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = std::max(1, groove.width() - handle.width());
    const int position = qRound(x) - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), position, span, option.upsideDown);
}

// A press anywhere on the bar puts the knob under the mouse and holds it: moving the mouse drags it, the
// release lets it go. The slider is down from the press to the release.
void MyCustomSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || orientation() != Qt::Horizontal || !isEnabled()) {
        QSlider::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    setSliderDown(true);
    setValue(valueAt(event->position().x()));
    event->accept();
}

void MyCustomSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    setSliderPosition(valueAt(event->position().x()));
    event->accept();
}

void MyCustomSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    setValue(valueAt(event->position().x()));
    m_dragging = false;
    setSliderDown(false);
    event->accept();
}
