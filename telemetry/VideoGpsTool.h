#pragma once

#include "FileGPSModel.h"
#include "FileReader.h"
#include "HDGPSMessage.h"
#include "RecordClock.h"
#include "TelemetryLog.h"
#include "TrackInfo.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// Extracts the telemetry of one video file: walks the MP4 boxes to the "gps " index, decodes every indexed
// GPS message, builds one sample per message and the file's summary, and hands the TrackInfo to the result
// callback. One instance per file, used by one thread, never reused; everything runs synchronously on the
// calling thread, the callback included.
class VideoGpsTool {
public:
    using ResultsBlock = std::function<void(TrackInfo)>;                      // receives its own copy
    using ValidFixes = std::map<std::int32_t, std::shared_ptr<FileGPSModel>>; // by record index

    // The China bounding box, degrees, bounds included.
    static constexpr double kChinaMinLatitude = 3.51;
    static constexpr double kChinaMaxLatitude = 53.33;
    static constexpr double kChinaMinLongitude = 73.33;
    static constexpr double kChinaMaxLongitude = 135.05;

    // The largest "moov" payload read into memory; a larger one ends the walk like a failed allocation.
    static constexpr std::uint64_t kMaxMoovPayload = 256ull * 1024 * 1024;

    // Bounds on the work of one file, whatever its index claims. Every record takes kRecordBytes of the file,
    // so a file of S bytes holds at most S / kRecordBytes of them, and a camera writes one a second, so no
    // clip holds more than a day's kMaxRecordsPerFile. Index entries past these limits are not read: an index
    // that points many times at the same bytes cannot turn a small file into a huge track.
    static constexpr std::uint64_t kRecordBytes = HDGPSMessage::kSize;
    static constexpr std::uint64_t kMaxRecordsPerFile = 24 * 60 * 60;
    // The most records a file of `fileSize` bytes gives.
    static constexpr std::uint64_t recordLimit(std::uint64_t fileSize) {
        return fileSize / kRecordBytes < kMaxRecordsPerFile ? fileSize / kRecordBytes : kMaxRecordsPerFile;
    }

    VideoGpsTool();
    ~VideoGpsTool();
    VideoGpsTool(const VideoGpsTool&) = delete;
    VideoGpsTool& operator=(const VideoGpsTool&) = delete;

    // Called once with the file's TrackInfo at the end of createVideoForGPSUrl, then dropped.
    void setResultsBlock(ResultsBlock block);
    // Diagnostics go here; defaultLogSink() unless set, an empty function discards them.
    void setLogSink(LogSink sink);
    // The wording of the diagnostics; Original unless set.
    void setLogLanguage(LogLanguage language) { m_language = language; }
    // Once a stop is requested (from any thread), the walk reads no further record or box and the extraction
    // completes at once with what it has, the result callback included.
    void setStopToken(std::stop_token token) { m_stop = std::move(token); }

    // The whole extraction of the file at `path` (a path, not a URL).
    void createVideoForGPSUrl(const std::string& path);

    // The box walk over the file at `path`; a file that does not open, or is not a regular file, yields
    // nothing (fileStatus() tells which).
    void getFileParseType(const std::string& path);
    // The box walk over any source (the file walk, and the fuzzer's buffers).
    void walkSource(RandomAccessSource& file);
    // Reads the records indexed by one "gps " box (header included) and decodes each. An entry whose record
    // lies wholly past the end of the file is no record: it gives nothing. A record cut short by the end of
    // the file is read as far as it goes, the rest zero.
    void parseMP4VideoGPS(std::span<const std::byte> box, RandomAccessSource& file);

    // Decodes one message, validates it and hands it to createGpsShowData; counts every record.
    void decodecPacket(const HDGPSMessage& message);
    // A ddmm.mmmm coordinate text and its hemisphere letter as signed decimal degrees text ("%0.6f").
    static std::string getLatOrLon(std::string_view text, std::string_view symbol);
    // Clears `model.status` when its position is not acceptable. `last` takes no part in the checks.
    static void checkLatOrLon(FileGPSModel& model, const FileGPSModel* last = nullptr);

    // Turns one decoded record into a sample (substituting the last valid position for an invalid fix).
    void createGpsShowData(const std::shared_ptr<FileGPSModel>& model);
    // Assembles the TrackInfo and calls the result callback.
    void parseGPSComplete(const std::string& path);

    static bool locationInChina(float latitude, float longitude);

    // State, for inspection. gpsDic holds the most recent valid fix and destroyGpsDic the most recent invalid
    // one, each under its record index: the substitution of an invalid fix reads only the most recent valid
    // one, and keeping a decoded model for every record would cost several times the bytes of the records.
    std::int32_t secondNum() const { return m_secondNum; }
    const ValidFixes& gpsDic() const { return m_gpsDic; }
    const ValidFixes& destroyGpsDic() const { return m_destroyGpsDic; }
    const std::vector<TrackSample>& resultsArray() const { return m_resultsArray; }
    double maxSpeed() const { return m_maxSpeed; }
    double aevSpeed() const { return m_aevSpeed; }
    double firstLat() const { return m_firstLat; }
    double firstLog() const { return m_firstLog; }

    // The date and time fields of the record behind each sample, in sample order (kept after completion).
    const std::vector<RecordClock>& sampleClocks() const { return m_sampleClocks; }

    // How the last getFileParseType opened its file (Open before any), and why it did not (see
    // FileReader::errorText).
    FileReader::Status fileStatus() const { return m_fileStatus; }
    const std::string& fileErrorText() const { return m_fileErrorText; }
    // Records read from the file so far (the records the record counter counts, less any decoded directly).
    std::uint64_t recordsRead() const { return m_recordsRead; }

private:
    void buildSample(const FileGPSModel& fix);
    static void keepOnly(ValidFixes& fixes, std::int32_t index, const std::shared_ptr<FileGPSModel>& model);
    void walkMoovChildren(std::span<const std::byte> payload, RandomAccessSource& file);
    void log(std::string_view text) const;
    void diagnoseBoxData() const;
    bool walkEnded() const { return m_walkEnded || m_stop.stop_requested(); }

    std::int32_t m_secondNum = 0;
    ResultsBlock m_resultsBlock;
    ValidFixes m_gpsDic;
    ValidFixes m_destroyGpsDic; // the most recent invalid fix; nothing reads it back
    std::vector<TrackSample> m_resultsArray;
    double m_maxSpeed = 0;
    double m_aevSpeed = 0;
    double m_firstLat = 0;
    double m_firstLog = 0;

    LogSink m_log;
    LogLanguage m_language = LogLanguage::Original;
    std::stop_token m_stop;
    bool m_walkEnded = false; // a limit was reached: no further box or record is read
    std::uint64_t m_recordsRead = 0;
    FileReader::Status m_fileStatus = FileReader::Status::Open;
    std::string m_fileErrorText;
    RecordClock m_currentClock;
    std::vector<RecordClock> m_sampleClocks;
};
