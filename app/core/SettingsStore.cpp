#include "SettingsStore.h"

#include "NumberText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kOrganisation = "Kestrun";
constexpr const char* kFileName = "KestrunPlayer.json";

std::unique_ptr<SettingsStore>& sharedSlot() {
    static std::unique_ptr<SettingsStore> store;
    return store;
}

QMutex& sharedMutex() {
    static QMutex mutex;
    return mutex;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

void fsyncPath(const QByteArray& path, int flags) {
    const int fd = ::open(path.constData(), flags | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The members of the file's object, one per line; the play list one row per line, so the file stays readable.
std::string fileText(const QVariantMap& values, const std::shared_ptr<const PlayList>& list,
                     const QVariant& rawList) {
    std::size_t estimate = 4096;
    if (list) {
        for (const PlayListEntry& entry : *list)
            estimate += entry.body().jsonMembers().size() + 32;
    }
    std::string out;
    out.reserve(estimate);
    out += "{";
    bool first = true;
    const auto member = [&](const QString& key) {
        out += first ? "\n" : ",\n";
        first = false;
        PlayListJson::appendQuoted(out, key.toStdString());
        out += ": ";
    };
    QVariantMap all = values;
    if (list || rawList.isValid())
        all.insert(SettingsKeys::kPlayList, QVariant()); // placeholder for its sorted place
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        member(it.key());
        if (it.key() != QLatin1StringView(SettingsKeys::kPlayList)) {
            PlayListJson::appendVariant(out, it.value());
        } else if (!list) {
            PlayListJson::appendVariant(out, rawList);
        } else {
            out += "[";
            for (std::size_t i = 0; i < list->size(); ++i) {
                out += i == 0 ? "\n" : ",\n";
                (*list)[i].appendJson(out);
            }
            out += list->empty() ? "]" : "\n]";
        }
    }
    out += "\n}\n";
    return out;
}

bool parseFile(const QByteArray& bytes, QVariantMap& values, std::shared_ptr<const PlayList>& list,
               QVariant& rawList, QString& problem) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        problem = error.errorString() + " at offset " + QString::number(error.offset);
        return false;
    }
    if (!document.isObject()) {
        problem = "the file does not hold a JSON object";
        return false;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != QLatin1StringView(SettingsKeys::kPlayList)) {
            const QVariant value = PlayListJson::toVariant(it.value());
            if (value.isValid())
                values.insert(it.key(), value);
            continue;
        }
        if (!it.value().isArray()) {
            rawList = PlayListJson::toVariant(it.value());
            continue;
        }
        auto rows = std::make_shared<PlayList>();
        const QJsonArray array = it.value().toArray();
        rows->reserve(static_cast<std::size_t>(array.size()));
        for (const QJsonValue& row : array) {
            if (row.isObject())
                rows->push_back(PlayListEntry::fromJson(row.toObject()));
        }
        list = std::move(rows);
    }
    return true;
}

bool readJsonSettings(QIODevice& device, QSettings::SettingsMap& map) {
    QVariantMap values;
    std::shared_ptr<const PlayList> list;
    QVariant rawList;
    QString problem;
    if (!parseFile(device.readAll(), values, list, rawList, problem))
        return false;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        map.insert(it.key(), it.value());
    if (list) {
        QVariantList rows;
        for (const PlayListEntry& entry : *list)
            rows.append(entry.toDictionary());
        map.insert(SettingsKeys::kPlayList, rows);
    } else if (rawList.isValid()) {
        map.insert(SettingsKeys::kPlayList, rawList);
    }
    return true;
}

bool writeJsonSettings(QIODevice& device, const QSettings::SettingsMap& map) {
    QVariantMap values;
    std::shared_ptr<const PlayList> list;
    QVariant rawList;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key() != QLatin1StringView(SettingsKeys::kPlayList)) {
            values.insert(it.key(), it.value());
        } else if (it.value().canConvert<QVariantList>()) {
            auto rows = std::make_shared<PlayList>();
            for (const QVariant& row : it.value().toList())
                rows->push_back(PlayListEntry::fromDictionary(row.toMap()));
            list = std::move(rows);
        } else {
            rawList = it.value();
        }
    }
    const std::string text = fileText(values, list, rawList);
    return device.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

} // namespace

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath)) {
    load();
    m_syncer = std::thread([this] { syncLoop(); });
    if (m_playList) {
        m_warmer = std::thread([this, list = m_playList] {
            for (const PlayListEntry& entry : *list) {
                if (m_stopWarming)
                    return;
                entry.body().jsonMembers();
            }
        });
    }
}

SettingsStore::~SettingsStore() {
    m_stopWarming = true;
    if (m_warmer.joinable())
        m_warmer.join();
    flush();
    {
        std::lock_guard lock(m_syncMutex);
        m_stopping = true;
    }
    m_syncWake.notify_all();
    m_syncer.join();
}

SettingsStore& SettingsStore::shared() {
    QMutexLocker lock(&sharedMutex());
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_unique<SettingsStore>(defaultFilePath());
    return *slot;
}

void SettingsStore::resetShared() {
    QMutexLocker lock(&sharedMutex());
    sharedSlot().reset();
}

QString SettingsStore::defaultFilePath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + "/.config";
    return base + "/" + kOrganisation + "/" + kFileName;
}

void SettingsStore::load() {
    // Temporary files of writes that a crash interrupted (older than a minute, so a write in progress in
    // another process is left alone).
    const QFileInfo info(m_filePath);
    const QFileInfoList leftovers =
        QDir(info.absolutePath()).entryInfoList({info.fileName() + ".??????"}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& leftover : leftovers) {
        if (leftover.lastModified().secsTo(QDateTime::currentDateTime()) > 60)
            QFile::remove(leftover.absoluteFilePath());
    }

    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be read:" << file.errorString();
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QString problem;
    if (parseFile(bytes, m_values, m_playList, m_playListRaw, problem))
        return;

    // Never delete a user's data: keep the unreadable file beside the new one and start empty.
    m_values.clear();
    m_playList.reset();
    m_playListRaw = QVariant();
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString aside = m_filePath + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_filePath + ".unreadable-" + stamp + "-" + QString::number(n);
    if (QFile::rename(m_filePath, aside))
        m_setAsidePath = aside;
    qWarning().noquote() << "Settings file" << m_filePath << "could not be parsed (" + problem + "); moved to"
                         << (m_setAsidePath.isEmpty() ? QString("(could not be moved)") : m_setAsidePath)
                         << "and starting with empty settings";
}

QVariant SettingsStore::value(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    if (key != QLatin1StringView(SettingsKeys::kPlayList))
        return m_values.value(key);
    if (!m_playList)
        return m_playListRaw;
    QVariantList rows;
    rows.reserve(static_cast<qsizetype>(m_playList->size()));
    for (const PlayListEntry& entry : *m_playList)
        rows.append(entry.toDictionary());
    return rows;
}

bool SettingsStore::contains(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    if (key == QLatin1StringView(SettingsKeys::kPlayList))
        return m_playList || m_playListRaw.isValid();
    return m_values.contains(key);
}

void SettingsStore::setValue(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        remove(key);
        return;
    }
    if (key == QLatin1StringView(SettingsKeys::kPlayList) && value.canConvert<QVariantList>() &&
        value.typeId() != QMetaType::QString) {
        PlayList rows;
        for (const QVariant& row : value.toList())
            rows.push_back(PlayListEntry::fromDictionary(row.toMap()));
        setPlayList(std::move(rows));
        return;
    }
    QMutexLocker lock(&m_mutex);
    if (key == QLatin1StringView(SettingsKeys::kPlayList)) {
        m_playList.reset();
        m_playListRaw = value;
    } else {
        m_values.insert(key, value);
    }
    writeFile();
}

void SettingsStore::remove(const QString& key) {
    QMutexLocker lock(&m_mutex);
    if (key == QLatin1StringView(SettingsKeys::kPlayList)) {
        m_playList.reset();
        m_playListRaw = QVariant();
    } else {
        m_values.remove(key);
    }
    writeFile();
}

QString SettingsStore::stringValue(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::Double)
        return QString::fromStdString(NumberText::formatShortest(v.toDouble()));
    return v.isValid() ? v.toString() : QString();
}

int SettingsStore::integerValue(const QString& key) const {
    const QVariant v = value(key);
    double number = 0;
    if (v.typeId() == QMetaType::QString)
        number = NumberText::parseLeadingDouble(v.toString().toStdString());
    else if (v.typeId() == QMetaType::Bool)
        number = v.toBool() ? 1 : 0;
    else if (v.isValid())
        number = v.toDouble();
    if (!(number > -2147483648.0 && number < 2147483648.0))
        return 0;
    return static_cast<int>(number);
}

float SettingsStore::floatValue(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString)
        return NumberText::parseLeadingFloat(v.toString().toStdString());
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0f : 0.0f;
    return v.isValid() ? v.toFloat() : 0.0f;
}

std::shared_ptr<const PlayList> SettingsStore::playList() const {
    QMutexLocker lock(&m_mutex);
    return m_playList;
}

void SettingsStore::setPlayList(PlayList list) {
    auto rows = std::make_shared<const PlayList>(std::move(list));
    QMutexLocker lock(&m_mutex);
    m_playList = std::move(rows);
    m_playListRaw = QVariant();
    writeFile();
}

void SettingsStore::removePlayList() {
    remove(SettingsKeys::kPlayList);
}

void SettingsStore::writeFile() {
    {
        std::lock_guard syncLock(m_syncMutex);
        m_pending = Version{m_values, m_playList, m_playListRaw};
        ++m_writes;
    }
    m_syncWake.notify_one();
}

void SettingsStore::writeVersion(const Version& version) const {
    const std::string text = fileText(version.values, version.playList, version.playListRaw);
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning().noquote() << "Settings folder" << info.absolutePath() << "cannot be created";
        return;
    }
    QByteArray temporary = QFile::encodeName(m_filePath + ".XXXXXX");
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be written:" << std::strerror(errno);
        return;
    }
    ::fchmod(fd, 0600);
    const bool written = writeAll(fd, text.data(), text.size());
    const bool synced = written && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed ||
        ::rename(temporary.constData(), QFile::encodeName(m_filePath).constData()) != 0) {
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be written:" << std::strerror(errno);
        ::unlink(temporary.constData());
        return;
    }
    fsyncPath(QFile::encodeName(info.absolutePath()), O_RDONLY | O_DIRECTORY);
}

void SettingsStore::syncLoop() {
    std::unique_lock lock(m_syncMutex);
    for (;;) {
        m_syncWake.wait(lock, [this] { return m_stopping || m_pending.has_value(); });
        if (!m_pending)
            return; // stopping, with nothing left to write
        const Version version = std::move(*m_pending);
        m_pending.reset();
        const quint64 target = m_writes;
        lock.unlock();
        writeVersion(version);
        lock.lock();
        m_synced = target;
        m_syncDone.notify_all();
    }
}

void SettingsStore::flush() {
    std::unique_lock lock(m_syncMutex);
    m_syncDone.wait(lock, [this] { return m_synced >= m_writes; });
}

QSettings::Format SettingsStore::jsonFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("json", readJsonSettings, writeJsonSettings);
    return format;
}
