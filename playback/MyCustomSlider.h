#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSlider>
#include <QString>

#include <optional>

// The transport bar's slider: a thin translucent white track drawn under the standard slider. A press
// anywhere on it jumps the knob there and drags it until the release.
class MyCustomSlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;

    // The track inside a slider of this size (y down; the shape is symmetric, so y up gives the same):
    // origin (h/2, (h − 3)/2), width w − h, height 2, corner radius 1.
    static QRectF trackRect(const QSizeF& size);

    // A moment marked on the bar (a driving event): where (0 to 1 of the length), its colour and tooltip.
    struct Mark {
        double fraction = 0;
        QColor colour;
        QString tooltip;
    };
    void setMarks(const QList<Mark>& marks);
    const QList<Mark>& marks() const { return m_marks; }
    // The part between the in and out points (0 to 1 of the length), shown along the track; either alone
    // shows as a tick.
    void setInOut(std::optional<double> in, std::optional<double> out);
    // The x of a fraction of the length: where the knob's centre stands for it (widget coordinates).
    double xOf(double fraction) const;
    // Where each of marks() is drawn: at its fraction, or beside a mark of the same moment.
    QList<double> markXs() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr double kMarkWidth = 3;

    // The value whose knob centre lies at `x` (widget coordinates).
    int valueAt(double x) const;

    bool m_dragging = false;
    QList<Mark> m_marks;
    std::optional<double> m_in;
    std::optional<double> m_out;
};
