#pragma once

#include <QSize>
#include <QString>
#include <QUrl>

#include <vector>

// What the engine choice needs to know of a media file: its tracks in order, and the codec subtype of each
// video track. Read with libavformat (about 1–4 ms a file).
struct MediaTrack {
    enum class Type { Video, Audio, Other };
    Type type = Type::Other;
    // Video: the four-character sample-entry code for MP4 ("hvc1", "hev1", "avc1"); "hvc1" for HEVC in a
    // container without sample entries (a transport stream). Empty otherwise.
    QString codecSubtype;
    // Video: the picture's size as the file states it (what decoders may pad to whole blocks).
    QSize size;
};

class MediaTrackReader {
public:
    MediaTrackReader() = delete;

    // The file's tracks; empty when it cannot be opened or read.
    static std::vector<MediaTrack> tracks(const QString& path);
    // The same by the path's bytes, which need not be UTF-8.
    static std::vector<MediaTrack> tracks(const QByteArray& path);
    // The bytes of a local file's path as the file system knows them (a name need not be UTF-8); empty for
    // a URL that is not a local file.
    static QByteArray localPath(const QUrl& url);
    static bool exists(const QByteArray& path);

    // The asset test of the engine choice: a lone audio track answers true; otherwise the first video track
    // answers whether it is 'hvc1'; with neither, false.
    static bool isVideoHevc(const std::vector<MediaTrack>& tracks);
    // The last path component ends in ".mp4", in any case.
    static bool isMp4(const QUrl& url);
    // True when the file plays in the VLC engine: not an MP4, and the asset test answered true.
    static bool playsInVlcEngine(const QUrl& url, const std::vector<MediaTrack>& tracks);
};
