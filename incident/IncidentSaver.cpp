#include "IncidentSaver.h"

#include "GpsRecordReader.h"
#include "TrackAppender.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Texts for the user.
constexpr const char* kSameFile = "the clip cannot be saved over itself";
constexpr const char* kNoTarget = "no file to save to was given";
constexpr const char* kUnreadable = "the clip cannot be read";
constexpr const char* kUnsupported = "only MP4 clips and transport streams can be saved";
constexpr const char* kEmptyRange = "the part to save is empty";
constexpr const char* kNoStreams = "the clip's streams cannot be copied into a new file";
constexpr const char* kCancelled = "saving was cancelled";
constexpr const char* kDiskFull = "the disk is full";
constexpr const char* kNotWritable = "the folder cannot be written to";
constexpr const char* kNoFolder = "the folder does not exist";
constexpr const char* kTooLarge = "the file is too large for the disk";
constexpr const char* kWriteFailed = "the new file cannot be written";
constexpr const char* kTrackFailed = "the GPS track cannot be added to the new file";

// Progress is reported in steps of at least this much.
constexpr double kProgressStep = 0.01;
// Tolerance of the key-frame search, in AV_TIME_BASE units: timestamps rounded between time bases.
constexpr std::int64_t kTimeTolerance = AV_TIME_BASE / 1000;
// Packets read after a seek while looking for the key frame, before the search gives up on that seek.
constexpr std::size_t kMaxPacketsToKeyFrame = 100000;

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputCloser {
    void operator()(AVFormatContext* context) const {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;

Packet newPacket() {
    return Packet(av_packet_alloc());
}

std::string textForErrno(int number) {
    switch (number) {
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return kNotWritable;
    case ENOENT:
    case ENOTDIR:
        return kNoFolder;
    case EFBIG:
        return kTooLarge;
    default:
        return kWriteFailed;
    }
}

// libavformat reports system errors as AVERROR(errno).
std::string textForWriteError(int averror) {
    return averror < 0 ? textForErrno(-averror) : kWriteFailed;
}

// The ".part" file: removed when the save does not get as far as renaming it.
class PartFile {
public:
    explicit PartFile(std::string path)
        : m_path(std::move(path)) {}
    ~PartFile() {
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    const std::string& path() const { return m_path; }
    void committed() { m_committed = true; }

private:
    std::string m_path;
    bool m_committed = false;
};

// Flushes the file at `path` to the disk; 0, or the errno of what failed.
int syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int result = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && result == 0)
        result = errno;
    return result;
}

// A path as libavformat's file protocol takes it: a name such as "cam:0001.mp4" is not a protocol.
std::string fileUrl(const std::string& path) {
    return "file:" + path;
}

// True when `a` and `b` name the same file, also through other spellings or links.
bool sameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

bool isTransportStream(const AVFormatContext& input) {
    return std::strcmp(input.iformat->name, "mpegts") == 0;
}

bool isMovFamily(const AVFormatContext& input) {
    return std::strstr(input.iformat->name, "mp4") != nullptr ||
           std::strstr(input.iformat->name, "mov") != nullptr;
}

// The packet's time: presentation time, else decoding time; AV_NOPTS_VALUE when it has neither.
std::int64_t packetTime(const AVPacket& packet) {
    return packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
}
std::int64_t decodeTime(const AVPacket& packet) {
    return packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
}

std::int64_t toBase(std::int64_t value, AVRational timeBase) {
    return av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

// The codec tag of a copied stream: the source's, unless the output format knows the codec under another tag.
unsigned copiedCodecTag(const AVOutputFormat& format, const AVCodecParameters& source) {
    unsigned tag = 0;
    if (!format.codec_tag || av_codec_get_id(format.codec_tag, source.codec_tag) == source.codec_id ||
        !av_codec_get_tag2(format.codec_tag, source.codec_id, &tag))
        return source.codec_tag;
    return 0;
}

class Saver {
public:
    Saver(const IncidentRequest& request, const std::function<void(double)>& progress, std::stop_token stop)
        : m_request(request)
        , m_progress(progress)
        , m_stop(std::move(stop)) {}

    IncidentResult run();

private:
    IncidentResult failed(std::string text) const {
        IncidentResult result;
        result.error = std::move(text);
        return result;
    }
    bool openInput();
    bool findKeyFrame(std::int64_t from, std::string* error);
    bool openOutput(const std::string& path, std::string* error);
    bool copyPackets(std::int64_t to, std::string* error);
    bool writePacket(AVPacket& packet, std::string* error);
    void report(double fraction);

    const IncidentRequest& m_request;
    const std::function<void(double)>& m_progress;
    std::stop_token m_stop;

    Input m_input;
    Output m_output;
    std::vector<int> m_map; // input stream index -> output stream index, -1 when not copied
    int m_reference = -1;   // the stream whose key frame starts the cut (the video)
    std::int64_t m_startTime = 0;
    std::int64_t m_keyTime = 0;      // the key frame, AV_TIME_BASE units on the source's clock
    std::int64_t m_keyTimestamp = 0; // the same in the reference stream's own time base
    std::deque<Packet> m_pending;    // read while looking for the key frame, the key packet last
    std::int64_t m_end = 0;          // end of the written part, AV_TIME_BASE units from its start
    std::int64_t m_referenceEnd = 0; // end of its video (the reference stream), the same units
    double m_reported = -1;
};

bool Saver::openInput() {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileUrl(m_request.source).c_str(), nullptr, nullptr) != 0)
        return false;
    m_input.reset(raw);
    if (avformat_find_stream_info(m_input.get(), nullptr) < 0)
        return false;
    m_startTime = m_input->start_time != AV_NOPTS_VALUE ? m_input->start_time : 0;
    m_reference = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_reference < 0)
        m_reference = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return m_reference >= 0;
}

// Positions the input at the key frame at or before `from` (AV_TIME_BASE units on the source's clock). A
// seek that lands behind the in point, as an inexact seek in a transport stream can, is repeated further
// back.
bool Saver::findKeyFrame(std::int64_t from, std::string* error) {
    const AVStream* reference = m_input->streams[m_reference];
    std::int64_t target = from;
    std::int64_t step = AV_TIME_BASE;
    for (;;) {
        m_pending.clear();
        if (avformat_seek_file(m_input.get(), -1, std::numeric_limits<std::int64_t>::min(), target, target,
                               0) < 0 &&
            av_seek_frame(m_input.get(), -1, target, AVSEEK_FLAG_BACKWARD) < 0 && target > m_startTime) {
            target = m_startTime;
            continue;
        }
        bool found = false;
        while (!found && m_pending.size() < kMaxPacketsToKeyFrame) {
            if (m_stop.stop_requested()) {
                *error = kCancelled;
                return false;
            }
            Packet packet = newPacket();
            if (av_read_frame(m_input.get(), packet.get()) < 0)
                break;
            found = packet->stream_index == m_reference && (packet->flags & AV_PKT_FLAG_KEY) &&
                    packetTime(*packet) != AV_NOPTS_VALUE;
            if (found) {
                m_keyTimestamp = packetTime(*packet);
                m_keyTime = toBase(m_keyTimestamp, reference->time_base);
            }
            m_pending.push_back(std::move(packet));
        }
        const bool atStart = target <= m_startTime;
        if (found && (m_keyTime <= from + kTimeTolerance || atStart))
            return true;
        if (atStart) {
            *error = kUnreadable;
            return false;
        }
        target = std::max(m_startTime, target - step);
        step *= 2;
    }
}

bool Saver::openOutput(const std::string& path, std::string* error) {
    // A QuickTime movie keeps its container, so that codecs MP4 has no place for (PCM sound) are kept too.
    const AVDictionaryEntry* brand = av_dict_get(m_input->metadata, "major_brand", nullptr, 0);
    const bool quickTime = brand && std::strncmp(brand->value, "qt", 2) == 0;
    const char* format = isTransportStream(*m_input) ? "mpegts" : quickTime ? "mov" : "mp4";
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, format, path.c_str()) < 0 || !raw) {
        *error = kWriteFailed;
        return false;
    }
    m_output.reset(raw);
    av_dict_copy(&m_output->metadata, m_input->metadata, 0);

    m_map.assign(m_input->nb_streams, -1);
    for (unsigned i = 0; i < m_input->nb_streams; ++i) {
        const AVStream* in = m_input->streams[i];
        const AVCodecParameters* codec = in->codecpar;
        if (codec->codec_id == AV_CODEC_ID_NONE ||
            avformat_query_codec(m_output->oformat, codec->codec_id, FF_COMPLIANCE_NORMAL) == 0)
            continue; // a stream the new file's format cannot hold (a camera's private data track)
        AVStream* out = avformat_new_stream(m_output.get(), nullptr);
        if (!out || avcodec_parameters_copy(out->codecpar, codec) < 0) {
            *error = kWriteFailed;
            return false;
        }
        out->codecpar->codec_tag = copiedCodecTag(*m_output->oformat, *codec);
        out->time_base = in->time_base;
        out->sample_aspect_ratio = in->sample_aspect_ratio;
        out->avg_frame_rate = in->avg_frame_rate;
        out->r_frame_rate = in->r_frame_rate;
        out->disposition = in->disposition;
        av_dict_copy(&out->metadata, in->metadata, 0);
        for (int s = 0; s < in->nb_side_data; ++s) {
            const AVPacketSideData& side = in->side_data[s];
            std::uint8_t* copy = av_stream_new_side_data(out, side.type, side.size);
            if (copy)
                std::memcpy(copy, side.data, side.size);
        }
        m_map[i] = out->index;
    }
    if (m_map[static_cast<std::size_t>(m_reference)] < 0) {
        *error = kNoStreams;
        return false;
    }

    const int opened = avio_open(&m_output->pb, fileUrl(path).c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) {
        *error = textForWriteError(opened);
        return false;
    }
    const int header = avformat_write_header(m_output.get(), nullptr);
    if (header < 0) {
        *error = m_output->pb->error < 0 ? textForWriteError(m_output->pb->error) : kNoStreams;
        return false;
    }
    return true;
}

void Saver::report(double fraction) {
    if (!m_progress)
        return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction < m_reported + kProgressStep && fraction < 1)
        return;
    m_reported = fraction;
    m_progress(fraction);
}

bool Saver::writePacket(AVPacket& packet, std::string* error) {
    const AVStream* in = m_input->streams[packet.stream_index];
    const int index = m_map[static_cast<std::size_t>(packet.stream_index)];
    const AVStream* out = m_output->streams[index];
    // Every stream is shifted by the same time, the key frame's: the part starts at 0 and stays in sync.
    const std::int64_t shift = packet.stream_index == m_reference
                                   ? m_keyTimestamp
                                   : av_rescale_q(m_keyTime, AV_TIME_BASE_Q, in->time_base);
    if (packet.pts != AV_NOPTS_VALUE)
        packet.pts -= shift;
    if (packet.dts != AV_NOPTS_VALUE)
        packet.dts -= shift;
    if (packetTime(packet) != AV_NOPTS_VALUE) {
        const std::int64_t end = toBase(packetTime(packet) + packet.duration, in->time_base);
        m_end = std::max(m_end, end);
        if (packet.stream_index == m_reference)
            m_referenceEnd = std::max(m_referenceEnd, end);
    }
    av_packet_rescale_ts(&packet, in->time_base, out->time_base);
    packet.stream_index = index;
    packet.pos = -1;
    const int written = av_interleaved_write_frame(m_output.get(), &packet);
    if (written < 0) {
        *error = textForWriteError(m_output->pb && m_output->pb->error < 0 ? m_output->pb->error : written);
        return false;
    }
    return true;
}

// Copies from the key frame up to `to` (AV_TIME_BASE units on the source's clock). A stream closes with its
// first packet decoded at or after the out point. Frames shown after the out point but decoded before it are
// held back: they are dropped, unless a frame shown before the out point follows them in decode order (a
// B-frame that may reference them); then they are written, and so is every frame up to the latest one shown,
// so that every kept frame decodes and none is missing in between.
bool Saver::copyPackets(std::int64_t to, std::string* error) {
    struct StreamState {
        bool open = false;
        bool closing = false;
        bool finished = false;
        bool extended = false; // frames shown after the out point were needed and are kept
        std::deque<Packet> held;
        std::int64_t latest = std::numeric_limits<std::int64_t>::min(); // latest presentation time kept
    };
    std::vector<StreamState> streams(m_input->nb_streams);
    std::size_t open = 0;
    for (std::size_t i = 0; i < m_map.size(); ++i) {
        const auto type = m_input->streams[i]->codecpar->codec_type;
        // Sparse streams are copied while the others run but do not hold the copy open.
        streams[i].open = m_map[i] >= 0 && (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO);
        open += streams[i].open ? 1 : 0;
    }
    bool keyWritten = false;
    const double span = static_cast<double>(std::max<std::int64_t>(to - m_keyTime, 1));
    while (open > 0) {
        if (m_stop.stop_requested()) {
            *error = kCancelled;
            return false;
        }
        Packet packet;
        if (!m_pending.empty()) {
            packet = std::move(m_pending.front());
            m_pending.pop_front();
        } else {
            packet = newPacket();
            const int read = av_read_frame(m_input.get(), packet.get());
            if (read == AVERROR_EOF)
                break;
            if (read < 0) {
                *error = kUnreadable;
                return false;
            }
        }
        const auto index = static_cast<std::size_t>(packet->stream_index);
        if (index >= m_map.size() || m_map[index] < 0)
            continue;
        StreamState& state = streams[index];
        if (state.finished)
            continue;
        const AVRational timeBase = m_input->streams[index]->time_base;
        const std::int64_t shown = packetTime(*packet);
        const std::int64_t decoded = decodeTime(*packet);
        if (static_cast<int>(index) == m_reference && !keyWritten) {
            // Frames of the reference stream in front of the key frame cannot be decoded without what
            // precedes.
            if (!(packet->flags & AV_PKT_FLAG_KEY) || shown != m_keyTimestamp)
                continue;
            keyWritten = true;
        } else if (shown != AV_NOPTS_VALUE && toBase(shown, timeBase) < m_keyTime - kTimeTolerance) {
            continue; // before the start of the part
        }
        if (decoded != AV_NOPTS_VALUE && toBase(decoded, timeBase) >= to)
            state.closing = true;
        if (state.closing && (shown == AV_NOPTS_VALUE || shown >= state.latest)) {
            state.finished = true;
            state.held.clear();
            if (state.open) {
                state.open = false;
                --open;
            }
            continue;
        }
        if (!state.closing && shown != AV_NOPTS_VALUE)
            state.latest = std::max(state.latest, shown);
        if (!state.closing && decoded != AV_NOPTS_VALUE)
            report(static_cast<double>(toBase(decoded, timeBase) - m_keyTime) / span);
        if (!state.extended && shown != AV_NOPTS_VALUE && toBase(shown, timeBase) >= to) {
            state.held.push_back(std::move(packet));
            continue;
        }
        if (!state.held.empty()) {
            state.extended = true;
            for (Packet& earlier : state.held) {
                if (!writePacket(*earlier, error))
                    return false;
            }
            state.held.clear();
        }
        if (!writePacket(*packet, error))
            return false;
    }
    return true;
}

IncidentResult Saver::run() {
    if (m_request.target.empty())
        return failed(kNoTarget);
    const std::string partPath = m_request.target + ".part";
    if (sameFile(m_request.source, m_request.target) || sameFile(m_request.source, partPath))
        return failed(kSameFile);
    if (m_stop.stop_requested())
        return failed(kCancelled);

    if (!openInput())
        return failed(kUnreadable);
    if (!isTransportStream(*m_input) && !isMovFamily(*m_input))
        return failed(kUnsupported);
    const bool transport = isTransportStream(*m_input);

    const double duration = m_input->duration != AV_NOPTS_VALUE
                                ? static_cast<double>(m_input->duration) / AV_TIME_BASE
                                : std::numeric_limits<double>::infinity();
    const double from = std::max(0.0, m_request.fromSeconds);
    const double to = std::min(m_request.toSeconds, duration);
    if (!(to > from) || !std::isfinite(from))
        return failed(kEmptyRange);
    const std::int64_t fromTime = m_startTime + std::llround(from * AV_TIME_BASE);
    const std::int64_t toTime = std::isfinite(to) ? m_startTime + std::llround(to * AV_TIME_BASE)
                                                  : std::numeric_limits<std::int64_t>::max();

    std::string error;
    if (!findKeyFrame(fromTime, &error))
        return failed(error);

    // A ".part" left by an earlier save that did not finish is replaced, never written through.
    if (::unlink(partPath.c_str()) != 0 && errno != ENOENT)
        return failed(textForErrno(errno));
    PartFile part(partPath);
    if (!openOutput(part.path(), &error) || !copyPackets(toTime, &error))
        return failed(error);
    const int trailer = av_write_trailer(m_output.get());
    avio_flush(m_output->pb);
    const int pending = m_output->pb->error;
    const int closed = avio_closep(&m_output->pb);
    if (trailer < 0 || pending < 0 || closed < 0)
        return failed(textForWriteError(pending < 0 ? pending : trailer < 0 ? trailer : closed));

    IncidentResult result;
    result.startSeconds = std::max(0.0, static_cast<double>(m_keyTime - m_startTime) / AV_TIME_BASE);
    result.durationSeconds = static_cast<double>(m_end) / AV_TIME_BASE;
    if (!transport) {
        // Sample n of the part is the second that begins n seconds after the whole second the part starts in,
        // for every second its video covers (sound that runs a few milliseconds longer adds no second).
        const auto first = static_cast<std::size_t>(std::floor(result.startSeconds + 1e-6));
        const double videoSeconds = static_cast<double>(m_referenceEnd) / AV_TIME_BASE;
        const auto seconds = static_cast<std::size_t>(std::max(0.0, std::ceil(videoSeconds - 1e-6)));
        const auto records = GpsRecordReader::read(m_request.source, first, seconds);
        if (!records.empty()) {
            int number = 0;
            if (!TrackAppender::append(part.path(), records, &error, &number))
                return failed(number != 0 ? textForErrno(number) : kTrackFailed);
        }
        result.gpsSeconds = records.size();
        result.telemetryKept = true;
    } else if (const int synced = syncFile(part.path()); synced != 0) {
        return failed(textForErrno(synced));
    }
    if (m_stop.stop_requested())
        return failed(kCancelled);
    if (std::rename(part.path().c_str(), m_request.target.c_str()) != 0)
        return failed(textForErrno(errno));
    part.committed();
    report(1);
    result.ok = true;
    return result;
}

} // namespace

IncidentResult IncidentSaver::save(const IncidentRequest& request,
                                   const std::function<void(double)>& progress, std::stop_token stop) {
    return Saver(request, progress, std::move(stop)).run();
}

std::pair<double, double> IncidentSaver::defaultRange(double positionSeconds, double durationSeconds) {
    const double duration = std::isfinite(durationSeconds) ? std::max(0.0, durationSeconds) : 0.0;
    const double position = std::isfinite(positionSeconds) ? std::clamp(positionSeconds, 0.0, duration) : 0.0;
    return {std::max(0.0, position - kSecondsBefore), std::min(duration, position + kSecondsAfter)};
}
