#pragma once

#include <QList>
#include <QWidget>

class QPushButton;

// The playback-speed popover's content: five buttons tagged 1 to 5 for the rates 4, 2, 1, 0.5 and 0.25.
class SpeedPlayerViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 80;
    static constexpr int kHeight = 230;

    explicit SpeedPlayerViewController(QWidget* parent = nullptr);

    // The rate of a button tag (1.0 for any other tag), and the name of its picture ("%.2f" of the rate).
    static double rateForTag(int tag);
    static QString pictureName(double rate);

    QList<QPushButton*> buttons() const { return m_buttons; }
    // The tags of the buttons that are on.
    QList<int> checkedTags() const;
    // What a press of the button with this tag does.
    void touchButtonSetSpeed(int tag);

signals:
    // currentSelectPlaySpeed:withText:
    void currentSelectPlaySpeed(double rate, const QString& text);

private:
    void markTag(int tag);

    QList<QPushButton*> m_buttons;
};
