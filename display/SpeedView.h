#pragma once

#include <QWidget>

// The dashboard's speed gauge: a 250° ring open at the bottom, and over it a red-yellow-red arc that grows
// clockwise from the lower-left end with the speed (full scale 260 in the display unit). No animation.
class SpeedView : public QWidget {
    Q_OBJECT
public:
    explicit SpeedView(QWidget* parent = nullptr);

    // The speed in the display unit, not clamped.
    void updateGsensorRange(int speed);
    int speed() const { return m_speed; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_speed = 0;
};
