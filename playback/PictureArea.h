#pragma once

#include <QRect>
#include <QSize>

// The part of a decoded frame that is picture. Decoders may deliver frames padded to whole blocks (a
// picture of 180 lines as 192); the file states the picture's size, which lies at the frame's top left.
// An empty picture size means the whole frame.
inline QRect pictureArea(const QSize& frameSize, const QSize& pictureSize) {
    const QRect whole(QPoint(0, 0), frameSize);
    return pictureSize.isEmpty() ? whole : whole.intersected(QRect(QPoint(0, 0), pictureSize));
}
