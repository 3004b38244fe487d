#include "CVDisplayViewController.h"

#include <QLabel>
#include <QVBoxLayout>

CVDisplayViewController::CVDisplayViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("displayVC");
    auto* layout = new QVBoxLayout(this);
    m_caption = new QLabel(tr("Telemetry"), this);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setEnabled(false);
    layout->addWidget(m_caption);
}

bool CVDisplayViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath ||
           operation == Operation::UpdateDataByCurrentTime || operation == Operation::VideoAllTime ||
           operation == Operation::PlayNext;
}

void CVDisplayViewController::dataLogicProcessOfViodePath(const std::optional<QString>& path) {
    m_path = path;
}

void CVDisplayViewController::updateDataByCurrentTime(double) {}

void CVDisplayViewController::videoAllTime(double) {}

void CVDisplayViewController::playNext(bool) {}
