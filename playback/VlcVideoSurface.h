#pragma once

#include "FrameScaler.h"

#include <QImage>
#include <QMutex>
#include <QWidget>

#include <vector>

// The widget the VLC engine's frames are painted in. libVLC decodes into a buffer of this widget (planar
// YUV 4:2:0, I420, at the video's size) on its own threads; each complete frame is converted there, in one
// pass, to RGB at the size it is shown at, and the widget paints that picture, centred with its aspect
// ratio kept.
class VlcVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit VlcVideoSurface(QWidget* parent = nullptr);

    // The chroma asked of libVLC.
    static constexpr const char* kChroma = "I420";
    // libVLC's format callback: the frame size chosen by the decoder; sets the three planes' bytes per line
    // and lines.
    void allocate(unsigned width, unsigned height, unsigned* pitches, unsigned* lines);
    // The three planes to decode the next frame into; the buffer stays locked until unlockBuffer.
    void lockBuffer(void** planes);
    void unlockBuffer();
    // A frame is complete (any thread): scaled for the view, then painted on the main thread.
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
    void resizeEvent(QResizeEvent* event) override;

private:
    // Under m_mutex: the part of the decoded frame that is picture, and its size fitted into the view in the
    // screen's pixels.
    QRect pictureRect() const;
    QSize shownSize() const;
    void scaleForView(); // the latest frame into m_shown

    mutable QMutex m_mutex;
    std::vector<uchar> m_buffer; // written by libVLC; between frames it holds the latest complete one
    FramePlanes m_decoding;      // its planes
    bool m_hasFrame = false;
    QImage m_shown;          // the latest frame at the size it is shown
    bool m_newFrame = false; // m_shown has not been painted yet
    QSize m_viewSize;        // in device-independent pixels
    qreal m_ratio = 1;       // the screen's pixels per device-independent pixel
    QSize m_pictureSize;
    FrameScaler m_scaler;
    quint64 m_framesShown = 0;
};
