#include "SpeedView.h"

#include "AppResources.h"
#include "SpeedGaugeGeometry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// An arc around `centre` (y up) from `start` sweeping `sweep` degrees (positive counterclockwise), as a
// path in widget coordinates. Flipping y keeps the visual sense of the angles, as Qt counts them too.
QPainterPath arc(const QPointF& centre, double radius, double start, double sweep, double height) {
    const QPointF c(centre.x(), height - centre.y());
    const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    return path;
}

} // namespace

SpeedView::SpeedView(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void SpeedView::updateGsensorRange(int speed) {
    if (speed == m_speed)
        return;
    m_speed = speed;
    update();
}

void SpeedView::paintEvent(QPaintEvent*) {
    using namespace SpeedGaugeGeometry;
    const double w = width();
    const double h = height();
    const double r = radius(w);
    const QPointF c = centre(w, h);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen ring(AppResources::color("圆低色"), kLineWidth, Qt::SolidLine, Qt::RoundCap);
    painter.strokePath(arc(c, r, kRingStart, kSweep, h), ring);

    // The speed arc, stroked with a horizontal red-yellow-red gradient across the view.
    QLinearGradient gradient(QPointF(0, h / 2), QPointF(w, h / 2));
    gradient.setColorAt(0, AppResources::color("红色"));
    gradient.setColorAt(0.5, AppResources::color("黄色"));
    gradient.setColorAt(1, AppResources::color("红色"));
    const double sweep = endAngle(m_speed) - kArcStart; // negative: clockwise
    if (sweep != 0) {
        QPen pen(QBrush(gradient), kLineWidth, Qt::SolidLine, Qt::RoundCap);
        painter.strokePath(arc(c, r, kArcStart, sweep, h), pen);
    }
}
