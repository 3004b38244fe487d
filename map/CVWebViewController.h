#pragma once

#include "CVModuleProtocol.h"

#include <QWidget>

#include <optional>

// The map module. Until the map bridge is built it shows only an empty map area; it keeps the active file
// key it was given.
class CVWebViewController : public QWidget, public CVModuleProtocol {
    Q_OBJECT
public:
    explicit CVWebViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override;
    void updateDataByCurrentTime(double seconds) override;
    void videoAllTime(double seconds) override;

    std::optional<QString> activePath() const { return m_path; }

    ModuleRef distanceDelegate;  // the dashboard
    ModuleRef zoomInOutDelegate; // the layout controller

private:
    std::optional<QString> m_path;
};
