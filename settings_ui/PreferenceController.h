#pragma once

#include <QDialog>

class QButtonGroup;

// The preferences window: the speed unit of the transport bar ("speed_unit") and the system language
// (shown only). Reached from the application menu.
class PreferenceController : public QDialog {
    Q_OBJECT
public:
    explicit PreferenceController(QWidget* parent = nullptr);

    QButtonGroup* speedUnitRadio() const { return m_speedUnitRadio; }
    QButtonGroup* languageRadio() const { return m_languageRadio; }

    void speedUnitChange(int column);
    void languageChange(int column);

private:
    QButtonGroup* m_speedUnitRadio = nullptr;
    QButtonGroup* m_languageRadio = nullptr;
};
