#include "CVTextField.h"

#include <QPainter>

namespace {
constexpr qreal kPointLength = 10;
} // namespace

QPolygonF CVTextField::tagShape(const QSizeF& size) {
    const qreal w = size.width();
    const qreal h = size.height();
    return QPolygonF({QPointF(0, 0), QPointF(w - kPointLength, 0), QPointF(w, h / 2),
                      QPointF(w - kPointLength, h), QPointF(0, h)});
}

void CVTextField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPolygon(tagShape(size()));
    }
    QLabel::paintEvent(event);
}
