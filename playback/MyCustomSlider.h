#pragma once

#include <QRectF>
#include <QSlider>

// The transport bar's slider: a thin translucent white track drawn under the standard slider. A press
// anywhere on it jumps the knob there and drags it until the release.
class MyCustomSlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;

    // The track inside a slider of this size (y down; the shape is symmetric, so y up gives the same):
    // origin (h/2, (h − 3)/2), width w − h, height 2, corner radius 1.
    static QRectF trackRect(const QSizeF& size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The value whose knob centre lies at `x` (widget coordinates).
    int valueAt(double x) const;

    bool m_dragging = false;
};
