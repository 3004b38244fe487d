#include "BlackView.h"

#include <QPalette>

BlackView::BlackView(QWidget* parent)
    : QWidget(parent) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
}
