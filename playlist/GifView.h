#pragma once

#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// The wait picture: a loop of numbered frames ("动画-1" … "动画-12"), all sharing one 1.2-second cycle
// (0.1 s each when all twelve are there). Frames that cannot be found are skipped; with none the view
// stays empty and transparent.
class GifView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCycleMs = 1200;

    explicit GifView(QWidget* parent = nullptr);

    // Starts the loop. Only the number of frames of `picture` is used (the frame list's capacity).
    void createdImageAnimationView(const QString& picture = "动画.gif");
    // The frame names to look up (the twelve numbered frames unless set; for tests).
    void setFrameNames(const QStringList& names);

    int frameCount() const { return m_frames.size(); }
    int frameInterval() const { return m_timer.interval(); }
    int currentFrame() const { return m_current; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_names;
    QList<QPixmap> m_frames;
    QTimer m_timer;
    int m_current = 0;
};
