#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;

// The preferences window, reached from the application menu: the speed unit and the interface language.
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
};
