#pragma once

#include <QLabel>
#include <QPolygonF>
#include <QSizeF>

// A caption drawn over a black tag shape: a rectangle whose right end is a point.
class CVTextField : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The tag's corners in the widget's coordinates (y down): (0, 0), (w − 10, 0), (w, h / 2), (w − 10, h),
    // (0, h). The shape is symmetric, so it is the same with y up.
    static QPolygonF tagShape(const QSizeF& size);

protected:
    void paintEvent(QPaintEvent* event) override;
};
