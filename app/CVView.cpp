#include "CVView.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kInset = 3;
constexpr qreal kRadius = 2;
constexpr qreal kLineWidth = 0.6;
} // namespace

void CVView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, kLineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset), kRadius, kRadius);
}
