#include "MyCustomSlider.h"

#include "EventMarkLayout.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

#include <algorithm>
#include <cmath>

QRectF MyCustomSlider::trackRect(const QSizeF& size) {
    const qreal h = size.height();
    return QRectF(h / 2, (h - 3) / 2, size.width() - h, 2);
}

void MyCustomSlider::setMarks(const QList<Mark>& marks) {
    m_marks = marks;
    update();
}

void MyCustomSlider::setInOut(std::optional<double> in, std::optional<double> out) {
    m_in = in;
    m_out = out;
    update();
}

double MyCustomSlider::xOf(double fraction) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = std::max(1, groove.width() - handle.width());
    return groove.x() + handle.width() / 2.0 + std::clamp(fraction, 0.0, 1.0) * span;
}

QList<double> MyCustomSlider::markXs() const {
    QList<double> xs;
    xs.reserve(m_marks.size());
    for (const Mark& mark : m_marks)
        xs.append(xOf(mark.fraction));
    return EventMarkLayout::spread(xs, kMarkWidth);
}

bool MyCustomSlider::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Every mark under the mouse tells what it is, one line each.
        const auto* help = static_cast<QHelpEvent*>(event);
        QStringList tooltips;
        for (const Mark& mark : m_marks)
            tooltips.append(mark.tooltip);
        const QString text = EventMarkLayout::tooltipAt(markXs(), tooltips, help->pos().x(), 2 * kMarkWidth);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QSlider::event(event);
}

void MyCustomSlider::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 77)); // white at opacity 0.3
        const QRectF track = trackRect(size());
        painter.drawRoundedRect(track, 1, 1);
        // In and out points: the part between them in light blue, a lone point as a tick.
        const QColor inOut(80, 170, 255);
        if (m_in && m_out) {
            const double left = xOf(std::min(*m_in, *m_out));
            const double right = xOf(std::max(*m_in, *m_out));
            painter.setBrush(inOut);
            painter.drawRect(QRectF(left, track.top() - 2, std::max(2.0, right - left), track.height() + 4));
        } else if (m_in || m_out) {
            painter.setBrush(inOut);
            painter.drawRect(QRectF(xOf(m_in ? *m_in : *m_out) - 1, track.top() - 6, 2, track.height() + 12));
        }
        // Events: a short bar across the track in the event's colour, those of one moment side by side.
        const QList<double> xs = markXs();
        for (int index = 0; index < m_marks.size(); ++index) {
            painter.setBrush(m_marks[index].colour);
            painter.drawRoundedRect(
                QRectF(xs[index] - kMarkWidth / 2, track.top() - 5, kMarkWidth, track.height() + 10), 1, 1);
        }
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
