#pragma once

#include <QWidget>

// A panel with a thin black outline: 0.6 px wide, along a rectangle inset 3 px from the edges, corner
// radius 2 px.
class CVView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};
