#include "CustomGsensorView.h"

#include "AppResources.h"
#include "EventMarkLayout.h"
#include "GsensorGraphGeometry.h"
#include "TimeFormatUtils.h"
#include "TolerantCollections.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>

namespace {

using namespace GsensorGraphGeometry;

constexpr int kDefaultSeconds = 60;
const QColor kRed(255, 59, 48);
const QColor kGreen(52, 199, 89);
const QColor kBlue(0, 122, 255);

// Drawing in the view's y-up coordinates: everything passes through here once.
class UpPainter {
public:
    UpPainter(QPainter& painter, float top)
        : m_painter(painter)
        , m_top(top) {}

    QPointF at(float x, float y) const { return {x, m_top - y}; }
    void line(float x1, float y1, float x2, float y2, const QPen& pen) {
        m_painter.setPen(pen);
        m_painter.drawLine(at(x1, y1), at(x2, y2));
    }
    // Text with its lower-left corner at (x, y).
    void text(const QString& text, float x, float y) {
        const QSizeF size = m_painter.fontMetrics().size(0, text);
        m_painter.drawText(QRectF(at(x, y + float(size.height())), size), Qt::AlignLeft | Qt::AlignBottom,
                           text);
    }
    QSizeF textSize(const QString& text) const { return m_painter.fontMetrics().size(0, text); }

private:
    QPainter& m_painter;
    float m_top;
};

QPen linePen(const QColor& color, qreal width) {
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

} // namespace

CustomGsensorView::CustomGsensorView(QWidget* parent)
    : QWidget(parent) {}

void CustomGsensorView::setGsensorArray(SharedGraphEntries entries) {
    m_entries = std::move(entries);
    m_layer = QPixmap(); // another list, perhaps of the same length
}

void CustomGsensorView::setTotleSecond(int seconds) {
    m_totleSecond = seconds;
}

void CustomGsensorView::setNewSecondTotle(int seconds) {
    m_totleSecond = seconds;
    update();
}

void CustomGsensorView::updateGsensorRange(int second) {
    if (second == m_index)
        return;
    // Only the cursor moves: the strips it leaves and enters are painted again.
    const QRect before = cursorRect(m_index);
    m_index = second;
    const QRect after = cursorRect(m_index);
    if (before.isEmpty() || after.isEmpty() || m_entries->size() < m_index + 1)
        update();
    else
        update(QRegion(before).united(after));
}

void CustomGsensorView::clearView() {
    if (m_entries)
        m_entries->clear();
    m_layer = QPixmap();
    m_totleSecond = 0;
    m_index = 0;
    update();
}

void CustomGsensorView::setScale(double lowest, double highest, const QStringList& labels) {
    m_customScale = true;
    m_lowest = lowest;
    m_highest = highest;
    m_labels = labels;
    update();
}

void CustomGsensorView::setMarks(const QList<Mark>& marks) {
    m_marks = marks;
    update();
}

QList<double> CustomGsensorView::markXs() const {
    // A mark whose second lies outside the graph is not drawn: NaN keeps it out of the layout and the hover.
    const int n = m_entries ? static_cast<int>(m_entries->size()) : 0;
    QList<double> xs;
    xs.reserve(m_marks.size());
    for (const Mark& mark : m_marks)
        xs.append(mark.second < 0 || mark.second >= n ? std::nan("")
                                                      : entryX(mark.second, n, static_cast<float>(width())));
    return EventMarkLayout::spread(xs, kMarkWidth);
}

bool CustomGsensorView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
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

void CustomGsensorView::setCurveCount(int count) {
    m_curves = std::clamp(count, 1, 3);
    update();
}

// The cursor's strip: its line and the antialiased pixels beside it.
QRect CustomGsensorView::cursorRect(int second) const {
    const int n = m_entries ? static_cast<int>(m_entries->size()) : 0;
    if (second <= 0 || n <= 0)
        return {};
    const int x = static_cast<int>(std::floor(entryX(second, n, static_cast<float>(width()))));
    return QRect(x - 2, 0, 5, height());
}

void CustomGsensorView::paintEvent(QPaintEvent*) {
    const auto right = static_cast<float>(width());
    const auto top = static_cast<float>(height());
    const int n = m_entries ? static_cast<int>(m_entries->size()) : 0;
    if (m_totleSecond == 0)
        m_totleSecond = kDefaultSeconds;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    UpPainter up(painter, top);

    // Driving events: a line at their second, those of one second side by side.
    const QList<double> xs = markXs();
    for (int index = 0; index < m_marks.size(); ++index) {
        if (!std::isfinite(xs[index]))
            continue;
        QColor faded = m_marks[index].colour;
        faded.setAlpha(200);
        const auto x = static_cast<float>(xs[index]);
        up.line(x, kBottom, x, axisTop(top), linePen(faded, kMarkWidth - 1));
    }
    if (m_index > 0 && n > 0) {
        const float x = entryX(m_index, n, right);
        up.line(x, kBottom, x, axisTop(top), linePen(kRed, 1));
    }

    // Axes, grid, labels and curves over the cursor: drawn once into a layer, again only when what they
    // show changes (the cursor moves every second; they do not). The list grows in place as its owner
    // adds entries; another list drops the layer.
    const qreal ratio = devicePixelRatioF();
    const Layer layer{n,        m_totleSecond, size(),   ratio,    m_customScale,
                      m_lowest, m_highest,     m_labels, m_curves, m_entries && n >= m_index + 1};
    if (m_layer.isNull() || !(layer == m_layerKey)) {
        m_layer = QPixmap((QSizeF(size()) * ratio).toSize());
        m_layer.setDevicePixelRatio(ratio);
        m_layer.fill(Qt::transparent);
        QPainter layerPainter(&m_layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        paintLayer(layerPainter, layer.withCurves);
        m_layerKey = layer;
    }
    painter.drawPixmap(0, 0, m_layer);
}

void CustomGsensorView::paintLayer(QPainter& painter, bool withCurves) const {
    const auto right = static_cast<float>(width());
    const auto top = static_cast<float>(height());
    const int n = m_entries ? static_cast<int>(m_entries->size()) : 0;
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    UpPainter up(painter, top);
    const QColor textColor = AppResources::color("cell文字颜色");

    up.line(kLeft, kBottom, kLeft, axisTop(top), linePen(textColor, 1));
    for (int i = 0; i < kLabels; ++i) {
        const float y = lineY(i, top);
        if (i >= 1) {
            QPen grid = linePen(AppResources::color("灰色"), 0.5);
            grid.setCapStyle(Qt::FlatCap);
            if (m_customScale || i != 2)
                grid.setDashPattern({3 / 0.5, 1 / 0.5}); // 3 on, 1 off, in points (Qt counts pen widths)
            up.line(kLeft + 1, y, right, y, grid);
        }
        painter.setPen(textColor);
        const QString label = m_labels.value(i);
        const QSizeF size = up.textSize(label);
        up.text(label, 29 - float(size.width()) - 3, y - float(size.height()) / 2 + 5);
    }
    up.line(kLeft, kBottom, right, kBottom, linePen(textColor, 1));

    painter.setPen(textColor);
    const QSizeF zero = up.textSize("0");
    up.text("0", kLeft - float(zero.width()) / 2, kBottom - float(zero.height()) - 5);
    const QString length = TimeFormatUtils::stringFromSeconds(m_totleSecond);
    const QSizeF lengthSize = up.textSize(length);
    up.text(length, right - float(lengthSize.width()), kBottom - float(lengthSize.height()) - 5);

    if (!withCurves)
        return;
    QPainterPath curves[3];
    for (int j = 0; j < n; ++j) {
        const QList<double>& entry = m_entries->at(j);
        const float x = entryX(j, n, right);
        for (int axis = 0; axis < m_curves; ++axis) {
            const double v = Tolerant::objectAtIndex(entry, quint64(axis)).value_or(0.0); // missing: 0
            const QPointF p = up.at(x, m_customScale ? rangeY(v, m_lowest, m_highest, top) : valueY(v, top));
            if (j == 0)
                curves[axis].moveTo(p);
            else
                curves[axis].lineTo(p);
        }
    }
    const QColor colors[3] = {kRed, kGreen, kBlue};
    painter.setBrush(Qt::NoBrush);
    for (int axis = 0; axis < m_curves; ++axis)
        painter.strokePath(curves[axis], QPen(colors[axis], 1));
}
