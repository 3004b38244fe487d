#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

// The settings panel opened from the play list: speed unit, coordinate format and map provider take effect
// at once (stored, set on AppManager, announced on a later turn of the event loop); the language is stored
// with OK and used from the next start. Cancel only closes the panel. The buttons show the settings in force
// and follow changes made elsewhere (View menu, preferences window) while the panel is open.
class PlayerSetingViewController : public QWidget {
    Q_OBJECT
public:
    enum Tag {
        SpeedKmh = 1,
        SpeedMph = 2,
        CoordinatesDms = 3,
        CoordinatesDecimal = 4,
        MapGoogle = 5,
        MapBaidu = 6
    };
    enum CloseTag { Cancel = 2, Sure = 3 };

    explicit PlayerSetingViewController(QWidget* parent = nullptr);

    void selectSpeedSetAction(int tag);
    void userSelectLanguage(int index);
    void closePageButtonAction(int tag);

    QPushButton* button(int tag) const;
    QComboBox* listView() const { return m_listView; }
    QLabel* connectLabel() const { return m_connectLabel; }
    int speedUnit() const { return m_speedUnit; }
    std::optional<QString> languageStr() const { return m_languageStr; }
    QLabel* languageNote() const { return m_languageNote; }

signals:
    // The panel asks its popover to close.
    void closeRequested();

private:
    void setOn(int tag, bool on);
    // The option buttons from the settings in force (at load, and when they change elsewhere).
    void showSettingsInForce();

    QPushButton* m_buttons[7] = {};
    QComboBox* m_listView = nullptr;
    QLabel* m_connectLabel = nullptr;
    QLabel* m_languageNote = nullptr;
    int m_speedUnit = 2;
    std::optional<QString> m_languageStr;
    QStringList m_dataArray;
};
