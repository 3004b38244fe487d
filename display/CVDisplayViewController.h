#pragma once

#include "CVModuleProtocol.h"

#include <QWidget>

#include <optional>

class QLabel;

// The telemetry dashboard module. Until the dashboard is built it shows only that no telemetry is on
// screen; it keeps the active file key it was given.
class CVDisplayViewController : public QWidget, public CVModuleProtocol {
    Q_OBJECT
public:
    explicit CVDisplayViewController(QWidget* parent = nullptr);

    bool implementsOperation(Operation operation) const override;
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override;
    void updateDataByCurrentTime(double seconds) override;
    void videoAllTime(double seconds) override;
    void playNext(bool next) override;

    std::optional<QString> activePath() const { return m_path; }

private:
    QLabel* m_caption = nullptr;
    std::optional<QString> m_path;
};
