#pragma once

#include <QImage>
#include <QMutex>
#include <QWidget>

// The widget the VLC engine's frames are painted in. libVLC decodes into a buffer of this widget (RV32)
// on its own threads; the widget paints the latest complete frame, scaled to fit.
class VlcVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit VlcVideoSurface(QWidget* parent = nullptr);

    // libVLC's format callback: the frame size chosen by the decoder; returns the buffer to decode into.
    void* allocate(unsigned width, unsigned height);
    void* lockBuffer();
    void unlockBuffer();
    // A frame is complete (any thread): repaint on the main thread.
    void frameReady();
    void clearFrame();

    // The picture's size as the file states it: only that part of a frame is shown and saved (see
    // pictureArea). Empty: the whole frame.
    void setPictureSize(const QSize& size);
    // The latest frame at the video's own size, or a null image.
    QImage currentFrame() const;

    // Frames painted since the surface was made: each frame counts once, however often it is repainted.
    quint64 framesShown() const { return m_framesShown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable QMutex m_mutex;
    QImage m_decoding; // written by libVLC
    QImage m_shown;    // a copy of the last complete frame
    QSize m_pictureSize;
    bool m_newFrame = false; // under m_mutex: m_shown has not been painted yet
    quint64 m_framesShown = 0;
};
