#include "CVWebViewController.h"

#include <QLabel>
#include <QVBoxLayout>

CVWebViewController::CVWebViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("webVC");
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(tr("Map"), this);
    caption->setAlignment(Qt::AlignCenter);
    caption->setEnabled(false);
    layout->addWidget(caption);
}

bool CVWebViewController::implementsOperation(Operation operation) const {
    return operation == Operation::DataLogicProcessOfViodePath ||
           operation == Operation::UpdateDataByCurrentTime || operation == Operation::VideoAllTime;
}

void CVWebViewController::dataLogicProcessOfViodePath(const std::optional<QString>& path) {
    m_path = path;
}

void CVWebViewController::updateDataByCurrentTime(double) {}

void CVWebViewController::videoAllTime(double) {}
