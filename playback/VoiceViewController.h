#pragma once

#include <QWidget>

class QSlider;

// The volume popover's content: one vertical slider, 0 to 1, starting at the stored "volume".
class VoiceViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 50;
    static constexpr int kHeight = 150;
    static constexpr int kSteps = 100;

    explicit VoiceViewController(QWidget* parent = nullptr);

    QSlider* slider() const { return m_slider; }

signals:
    // userChangeVolume: after the value is stored.
    void userChangeVolume(double volume);

private:
    void changeValueSlider(int position);

    QSlider* m_slider = nullptr;
};
