#include "RadioPair.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

QButtonGroup* addRadioPair(QWidget* parent, QBoxLayout* row, const QString& left, const QString& right) {
    auto* group = new QButtonGroup(parent);
    int id = 0;
    for (const QString& title : {left, right}) {
        auto* button = new QRadioButton(title, parent);
        group->addButton(button, id++);
        row->addWidget(button);
    }
    return group;
}
