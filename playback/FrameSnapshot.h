#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// A still of the video: the frame at the video's own size, with an optional caption burnt into its lower
// left corner (the record's date and time, the speed, the position), saved as PNG under a name that says
// which clip and second it shows and never replaces a file already there.
class FrameSnapshot {
public:
    FrameSnapshot() = delete;

    // The frame with the caption's lines on a dark band; the frame itself when there are none.
    static QImage captioned(const QImage& frame, const QStringList& lines);
    // "<clip name> 01-05.png" for second 65 of "<clip name>.mp4", or "... (2).png" when that name is taken.
    static QString freePath(const QString& folder, const QString& clipFileName, double seconds);
    // The user's Pictures folder, or the home folder when there is none.
    static QString defaultFolder();
    // Writes `image` as PNG to `path` (a temporary name first, so no half file is left); the reason when not.
    static bool save(const QImage& image, const QString& path, QString* problem = nullptr);
};
