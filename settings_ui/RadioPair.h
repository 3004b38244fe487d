#pragma once

#include <QString>

class QBoxLayout;
class QButtonGroup;
class QWidget;

// Two radio buttons side by side (ids 0 and 1) added to `row`; the group is owned by `parent`.
QButtonGroup* addRadioPair(QWidget* parent, QBoxLayout* row, const QString& left, const QString& right);
