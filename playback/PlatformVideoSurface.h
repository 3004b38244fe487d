#pragma once

#include "FrameScaler.h"

#include <QImage>
#include <QVideoFrame>
#include <QWidget>

// The widget the platform engine's frames are painted in. A plain painted widget, not a native child
// window: the window's layout changes, its full-screen modes and the web view beside it cannot break it.
// Frames arrive from the engine's video sink (queued to the main thread); the latest one is painted, fitted
// to the widget with its aspect ratio kept, on black.
class PlatformVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit PlatformVideoSurface(QWidget* parent = nullptr);

    // The latest frame of the playing file; an invalid frame shows black.
    void setFrame(const QVideoFrame& frame);
    void clearFrame();
    bool hasFrame() const { return m_frame.isValid(); }
    // The picture's size as the file states it: only that part of a frame is shown and saved (see
    // pictureArea). Empty: the whole frame.
    void setPictureSize(const QSize& size) { m_pictureSize = size; }
    // The latest frame at the video's own size, or a null image.
    QImage currentImage() const;

    // Frames painted since the surface was made: each frame counts once, however often it is repainted.
    quint64 framesShown() const { return m_framesShown; }
    // The presentation time of the latest frame in microseconds, -1 without one.
    qint64 frameTime() const { return m_frame.isValid() ? m_frame.startTime() : -1; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect pictureRect(const QSize& frameSize) const; // the part of a frame that is picture
    QVideoFrame m_frame;
    FrameScaler m_scaler;
    QImage m_scaled; // m_frame at the size it is shown, made at its first paint
    QSize m_pictureSize;
    bool m_framePainted = true;
    quint64 m_framesShown = 0;
};
