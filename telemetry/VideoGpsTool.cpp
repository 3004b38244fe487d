#include "VideoGpsTool.h"

#include "ByteOrder.h"
#include "CoordinatePattern.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <limits>
#include <new>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t kMoov = ByteOrder::fourCC("moov");
constexpr std::uint32_t kGps = ByteOrder::fourCC("gps ");

constexpr std::uint64_t kBoxHeader = 8;
constexpr std::uint64_t kLargeBoxHeader = 16;
constexpr std::size_t kGpsCountOffset = 12;
constexpr std::size_t kGpsFirstEntry = 16;
constexpr std::size_t kGpsEntrySize = 8;
constexpr std::uint64_t kRecordHeader = 16;

// Substituted speeds at or above this are implausible, knots.
constexpr float kMaxSubstituteSpeed = 400.0f;

// The diagnostics, in the player's original wording and in English.
struct LogTexts {
    std::string_view path;      // followed by the path
    std::string_view badFix;    // an invalid fix
    std::string_view longitude; // a sample: longitude, latitude and speed follow
    std::string_view latitude;
    std::string_view speed;
    std::string_view boxData;   // a top-level box that cannot be read
    std::string_view destroyed; // the extraction object is released
};

constexpr LogTexts kOriginalTexts{"选择文件的路径为：", "错误的经纬度",    "TS经度：：",
                                  " TS纬度：：：：：",  " 速度：：：：：", "boxData 初始化失败",
                                  "VideoGpsTool销毁"};
constexpr LogTexts kEnglishTexts{
    "reading ",       "invalid position", "sample: longitude ",
    " latitude ",     " speed ",          "unreadable top-level box: the walk ends here",
    "extraction done"};

const LogTexts& textsFor(LogLanguage language) {
    return language == LogLanguage::English ? kEnglishTexts : kOriginalTexts;
}

std::string twoDigits(int value) {
    std::string text = NumberText::formatInteger(value);
    return text.size() < 2 ? "0" + text : text;
}

// The local date and time now, "yyyy-MM-dd HH:mm:ss".
std::string localTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string year = NumberText::formatInteger(local.tm_year + 1900);
    if (year.size() < 4)
        year = std::string(4 - year.size(), '0') + year;
    return year + "-" + twoDigits(local.tm_mon + 1) + "-" + twoDigits(local.tm_mday) + " " +
           twoDigits(local.tm_hour) + ":" + twoDigits(local.tm_min) + ":" + twoDigits(local.tm_sec);
}

// Room for `more` elements; grows at least geometrically, so that many small indexes stay linear.
template <typename T> void reserveFor(std::vector<T>& list, std::size_t more) {
    const std::size_t needed = list.size() + more;
    if (needed > list.capacity())
        list.reserve(std::max(needed, 2 * list.capacity()));
}

} // namespace

VideoGpsTool::VideoGpsTool()
    : m_log(defaultLogSink()) {}

VideoGpsTool::~VideoGpsTool() {
    log(textsFor(m_language).destroyed);
}

void VideoGpsTool::setResultsBlock(ResultsBlock block) {
    m_resultsBlock = std::move(block);
}

void VideoGpsTool::setLogSink(LogSink sink) {
    m_log = std::move(sink);
}

void VideoGpsTool::log(std::string_view text) const {
    if (m_log)
        m_log(LogChannel::Log, text);
}

void VideoGpsTool::diagnoseBoxData() const {
    if (m_log)
        m_log(LogChannel::StandardOutput, textsFor(m_language).boxData);
}

void VideoGpsTool::createVideoForGPSUrl(const std::string& path) {
    if (m_log)
        log(std::string(textsFor(m_language).path) + path);
    getFileParseType(path);
    parseGPSComplete(path);
}

void VideoGpsTool::getFileParseType(const std::string& path) {
    FileReader file(path);
    m_fileStatus = file.status();
    m_fileErrorText = file.errorText();
    if (!file.isOpen())
        return;
    walkSource(file);
}

void VideoGpsTool::walkSource(RandomAccessSource& file) {
    using namespace ByteOrder;
    const std::uint64_t fileSize = file.size();
    std::uint64_t next = 0;
    while (!walkEnded()) {
        std::array<std::byte, kBoxHeader> header{};
        if (file.readAt(next, header) < header.size())
            return; // end of file
        const std::uint64_t start = next;
        std::uint64_t size = readBigEndian32(header);
        const std::uint32_t type = readBigEndian32(std::span(header).subspan(4));
        std::uint64_t headerSize = kBoxHeader;
        if (size == 1) {
            // A 64-bit size follows the type.
            std::array<std::byte, 8> largeSize{};
            if (file.readAt(start + kBoxHeader, largeSize) < largeSize.size())
                return; // cut off inside the header: end of file
            size = readBigEndian64(largeSize);
            headerSize = kLargeBoxHeader;
            if (size < kLargeBoxHeader) {
                diagnoseBoxData();
                return;
            }
        } else if (size == 0) {
            size = fileSize > start ? fileSize - start : kBoxHeader; // the box runs to the end of the file
        } else if (size < kBoxHeader) {
            diagnoseBoxData();
            return;
        }
        next = size > std::numeric_limits<std::uint64_t>::max() - start
                   ? std::numeric_limits<std::uint64_t>::max()
                   : start + size;

        // Only "moov" is read; "mdat" and every other box are skipped by their size.
        if (type != kMoov)
            continue;

        const std::uint64_t payloadStart = start + headerSize;
        const std::uint64_t claimed = size - headerSize;
        const std::uint64_t available = fileSize > payloadStart ? fileSize - payloadStart : 0;
        const std::uint64_t wanted =
            std::min(claimed, available); // a box cut short is read as far as it goes
        if (wanted > kMaxMoovPayload) {
            diagnoseBoxData();
            return;
        }
        std::vector<std::byte> payload;
        try {
            payload.resize(static_cast<std::size_t>(wanted));
        } catch (const std::bad_alloc&) {
            diagnoseBoxData();
            return;
        }
        payload.resize(file.readAt(payloadStart, payload));
        if (claimed >= 1)
            walkMoovChildren(payload, file);
    }
}

void VideoGpsTool::walkMoovChildren(std::span<const std::byte> payload, RandomAccessSource& file) {
    using namespace ByteOrder;
    while (payload.size() >= kBoxHeader && !walkEnded()) {
        const std::uint32_t size = readBigEndian32(payload);
        const std::uint32_t type = readBigEndian32(payload.subspan(4));
        if (size < kBoxHeader || size > payload.size())
            return;
        if (type == kGps)
            parseMP4VideoGPS(payload.first(size), file);
        payload = payload.subspan(size);
    }
}

void VideoGpsTool::parseMP4VideoGPS(std::span<const std::byte> box, RandomAccessSource& file) {
    using namespace ByteOrder;
    if (box.size() < kGpsFirstEntry)
        return;
    const auto count = static_cast<std::int32_t>(readBigEndian32(box.subspan(kGpsCountOffset)));
    if (count <= 0)
        return;
    const std::uint64_t entriesInBox = (box.size() - kGpsFirstEntry) / kGpsEntrySize;
    const std::uint64_t entries = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), entriesInBox);
    const std::uint64_t limit = recordLimit(file.size());
    if (m_recordsRead < limit) {
        // At most one sample per record still allowed: grown once, never beyond what the file can hold.
        const auto more = static_cast<std::size_t>(std::min(entries, limit - m_recordsRead));
        reserveFor(m_resultsArray, more);
        reserveFor(m_sampleClocks, more);
    }
    for (std::uint64_t i = 0; i < entries; ++i) {
        if (m_stop.stop_requested())
            return;
        if (m_recordsRead >= limit) {
            log("record limit reached: a file of " + NumberText::formatUnsigned(file.size()) +
                " bytes holds at most " + NumberText::formatUnsigned(limit) + " records");
            m_walkEnded = true;
            return;
        }
        const std::uint64_t offset = readBigEndian32(box.subspan(kGpsFirstEntry + kGpsEntrySize * i));
        std::array<std::byte, HDGPSMessage::kSize> message{}; // a short read leaves zeros
        if (file.readAt(offset + kRecordHeader, message) == 0)
            continue; // wholly past the end of the file (a clip cut short): no record
        ++m_recordsRead;
        decodecPacket(HDGPSMessage::fromBytes(message));
    }
}

void VideoGpsTool::decodecPacket(const HDGPSMessage& message) {
    using NumberText::formatFixed;
    using NumberText::formatUnsigned;

    auto model = std::make_shared<FileGPSModel>();
    model->hour = formatUnsigned(message.hour);
    model->minute = formatUnsigned(message.minute);
    model->second = formatUnsigned(message.second);
    model->year = formatUnsigned(message.year);
    model->month = formatUnsigned(message.month);
    model->nsind = std::string(1, message.nsind);
    model->ewind = std::string(1, message.ewind);
    model->speed = formatFixed(message.speed, 2);
    model->angle = NumberText::parseLeadingFloat(formatFixed(message.angle, 4));
    model->latitude =
        NumberText::parseLeadingFloat(getLatOrLon(formatFixed(message.latitude, 6), *model->nsind));
    model->longitude =
        NumberText::parseLeadingFloat(getLatOrLon(formatFixed(message.longitude, 6), *model->ewind));
    model->status = message.status == 'A';
    model->x = message.x;
    model->y = message.y;
    model->z = message.z;
    if (model->status)
        checkLatOrLon(*model, nullptr);

    m_currentClock = {message.year, message.month, message.day, message.hour, message.minute, message.second};
    createGpsShowData(model);
    ++m_secondNum;
}

std::string VideoGpsTool::getLatOrLon(std::string_view text, std::string_view symbol) {
    const float value = NumberText::parseLeadingFloat(text);
    if (!(value > 0))
        return "0";
    bool negative = false;
    if (symbol == "N" || symbol == "E")
        negative = false;
    else if (symbol == "S" || symbol == "W")
        negative = true;
    else
        return "0";
    const double x = static_cast<double>(value) / 100;
    const double d = std::floor(static_cast<float>(x));
    const double degrees = (x - d) * 100 / 60 + d;
    const std::string digits = NumberText::formatFixed(degrees, 6);
    return negative ? "-" + digits : digits;
}

void VideoGpsTool::checkLatOrLon(FileGPSModel& model, const FileGPSModel* /*last*/) {
    if (!CoordinatePattern::matchesLatitude(NumberText::formatFixed(model.latitude, 0)))
        model.status = false;
    if (!CoordinatePattern::matchesLongitude(NumberText::formatFixed(model.longitude, 0)))
        model.status = false;
    if (model.longitude == 0)
        model.status = false;
    else if (model.latitude == 0)
        model.status = false;
}

void VideoGpsTool::createGpsShowData(const std::shared_ptr<FileGPSModel>& model) {
    if (!model)
        return;
    if (model->status) {
        keepOnly(m_gpsDic, m_secondNum, model);
        buildSample(*model);
        return;
    }

    log(textsFor(m_language).badFix);
    keepOnly(m_destroyGpsDic, m_secondNum, model);
    // The last valid fix takes the new G-sensor values and speed, so a later substitution starts from them.
    const std::shared_ptr<FileGPSModel> fix =
        m_gpsDic.empty() ? std::make_shared<FileGPSModel>() : m_gpsDic.rbegin()->second;
    fix->x = model->x;
    fix->y = model->y;
    fix->z = model->z;
    const float speed = NumberText::parseLeadingFloat(model->speed.value_or(std::string()));
    if (speed >= 0 && speed < kMaxSubstituteSpeed) {
        fix->speed = NumberText::formatFixed(speed, 0);
        buildSample(*fix);
    }
}

void VideoGpsTool::keepOnly(ValidFixes& fixes, std::int32_t index,
                            const std::shared_ptr<FileGPSModel>& model) {
    if (fixes.size() != 1) {
        fixes.clear();
        fixes.emplace(index, model);
        return;
    }
    auto node = fixes.extract(fixes.begin()); // reused: no allocation per record
    node.key() = index;
    node.mapped() = model;
    fixes.insert(std::move(node));
}

void VideoGpsTool::buildSample(const FileGPSModel& fix) {
    const float speed = NumberText::parseLeadingFloat(fix.speed.value_or(std::string()));
    const float wholeSpeed = std::floor(speed);
    m_aevSpeed += wholeSpeed;
    if (speed > m_maxSpeed)
        m_maxSpeed = wholeSpeed;
    m_firstLat = fix.latitude;
    m_firstLog = fix.longitude;

    TrackSample sample;
    sample.gpsLat = NumberText::formatFixed(fix.latitude, 6);
    sample.gpsLgt = NumberText::formatFixed(fix.longitude, 6);
    if (m_log) {
        const LogTexts& texts = textsFor(m_language);
        log(std::string(texts.longitude) + sample.gpsLgt + std::string(texts.latitude) + sample.gpsLat +
            std::string(texts.speed) + fix.speed.value_or("(null)"));
    }
    sample.gsensorX = static_cast<float>(fix.x);
    sample.gsensorY = static_cast<float>(fix.y);
    sample.gsensorZ = static_cast<float>(fix.z);
    sample.northAngle = std::floor(static_cast<float>(fix.angle));
    sample.spd = wholeSpeed;
    m_resultsArray.push_back(std::move(sample));
    m_sampleClocks.push_back(m_currentClock);
}

void VideoGpsTool::parseGPSComplete(const std::string& path) {
    TrackInfo info;
    struct stat status {};
    const double sizeBytes = ::stat(path.c_str(), &status) == 0 ? static_cast<double>(status.st_size) : 0.0;
    info.fileSize = static_cast<float>(sizeBytes / 1000 / 1000);
    info.isInChina = false;
    info.fileTime = localTimestamp();
    if (!m_resultsArray.empty()) {
        info.maxSpeed = static_cast<float>(m_maxSpeed);
        info.isInChina = locationInChina(static_cast<float>(m_firstLat), static_cast<float>(m_firstLog));
        info.aevSpeed = static_cast<float>(m_aevSpeed / m_secondNum);
        info.totailDistance = static_cast<float>(m_aevSpeed);
        info.videoDatas = std::move(m_resultsArray); // handed over; the tool no longer touches it
        m_resultsArray.clear();
    }
    if (m_resultsBlock) {
        const ResultsBlock block = std::move(m_resultsBlock);
        m_resultsBlock = nullptr;
        block(std::move(info));
    }
}

bool VideoGpsTool::locationInChina(float latitude, float longitude) {
    const double lat = latitude;
    const double lon = longitude;
    return lat >= kChinaMinLatitude && lat <= kChinaMaxLatitude && lon >= kChinaMinLongitude &&
           lon <= kChinaMaxLongitude;
}
