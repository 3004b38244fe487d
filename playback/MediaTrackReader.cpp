#include "MediaTrackReader.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>

#include <sys/stat.h>

namespace {

QString fourCC(unsigned tag) {
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((tag >> (8 * i)) & 0xff);
        text += QChar::fromLatin1(c);
    }
    return text;
}

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

} // namespace

std::vector<MediaTrack> MediaTrackReader::tracks(const QString& path) {
    return tracks(QFile::encodeName(path));
}

QByteArray MediaTrackReader::localPath(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    // Escapes of bytes that are not UTF-8 are undone as bytes: toLocalFile() would replace them.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

bool MediaTrackReader::exists(const QByteArray& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(path.constData(), &info) == 0;
}

std::vector<MediaTrack> MediaTrackReader::tracks(const QByteArray& path) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* raw = nullptr;
    if (path.isEmpty() || avformat_open_input(&raw, path.constData(), nullptr, nullptr) != 0)
        return {};
    std::unique_ptr<AVFormatContext, InputCloser> context(raw);
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return {};
    const bool isMovFamily = QString::fromLatin1(context->iformat->name).contains("mp4");
    std::vector<MediaTrack> result;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* codec = context->streams[i]->codecpar;
        MediaTrack track;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            track.type = MediaTrack::Type::Video;
            track.size = QSize(codec->width, codec->height);
            if (isMovFamily && codec->codec_tag != 0)
                track.codecSubtype = fourCC(codec->codec_tag); // the sample entry: hvc1, hev1, avc1, ...
            else if (codec->codec_id == AV_CODEC_ID_HEVC)
                track.codecSubtype = "hvc1"; // no sample entries: HEVC is HEVC
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
            track.type = MediaTrack::Type::Audio;
        }
        result.push_back(track);
    }
    return result;
}

bool MediaTrackReader::isVideoHevc(const std::vector<MediaTrack>& tracks) {
    for (const MediaTrack& track : tracks) {
        if (tracks.size() == 1 && track.type == MediaTrack::Type::Audio)
            return true;
        if (track.type == MediaTrack::Type::Video)
            return track.codecSubtype == "hvc1";
    }
    return false;
}

bool MediaTrackReader::isMp4(const QUrl& url) {
    const QString name = url.toString().section('/', -1);
    const qsizetype dot = name.lastIndexOf('.');
    return dot >= 0 && name.mid(dot + 1).toLower() == "mp4";
}

bool MediaTrackReader::playsInVlcEngine(const QUrl& url, const std::vector<MediaTrack>& tracks) {
    return isVideoHevc(tracks) && !isMp4(url);
}
