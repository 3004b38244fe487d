#pragma once

#include <QWidget>

// A panel with a black background.
class BlackView : public QWidget {
    Q_OBJECT
public:
    explicit BlackView(QWidget* parent = nullptr);
};
