#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;

// The preferences window, reached from the application menu: the speed unit, the interface language and
// the thresholds of the driving events (each stored as it is changed; the marks follow at once).
// The speed unit is the one the dashboard, the View menu and the settings panel show (choosing one here is
// the same as choosing it there; "speed_unit" is kept in step). The language list offers the languages of
// the interface; a choice is stored at once and used from the next start. Both follow changes made elsewhere
// while the window is open.
class PreferenceController : public QDialog {
    Q_OBJECT
public:
    explicit PreferenceController(QWidget* parent = nullptr);

    QButtonGroup* speedUnitRadio() const { return m_speedUnitRadio; }
    QComboBox* languageList() const { return m_languageList; }
    QLabel* languageNote() const { return m_languageNote; }
    // The driving events' thresholds: speed change (km/h in a second), turn (g), impact (g), axis jump (g).
    QDoubleSpinBox* thresholdBox(int which) const { return m_thresholds[which]; }
    QCheckBox* routeColoursBox() const { return m_routeColours; }
    QDialogButtonBox* closeButtons() const { return m_closeButtons; }

    // Column 0 km/h, any other mph.
    void speedUnitChange(int column);
    // A row of the language list.
    void languageChange(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSettingsInForce();

    QButtonGroup* m_speedUnitRadio = nullptr;
    QComboBox* m_languageList = nullptr;
    QLabel* m_languageNote = nullptr;
    QDoubleSpinBox* m_thresholds[4] = {};
    QCheckBox* m_routeColours = nullptr;
    QDialogButtonBox* m_closeButtons = nullptr;
};
