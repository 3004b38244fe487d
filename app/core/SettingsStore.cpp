#include "SettingsStore.h"

#include "NumberText.h"
#include "StoreLock.h"
#include "StoreNotices.h"

#include <QCoreApplication>
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
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kOrganisation = "Kestrun";
constexpr const char* kFileName = "KestrunPlayer.json";
constexpr int kCloseTimeoutMs = 3000;
constexpr auto kRetryInterval = std::chrono::seconds(2);
constexpr const char* kNoticeUnreadable = "settings-unreadable";
constexpr const char* kNoticeSetAside = "settings-set-aside";
constexpr const char* kNoticeWrite = "settings-write";

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

// Reads the file's object. `shapeProblem` tells what was left out or kept as it was because it does not
// have the play list's shape (the list is not a list, a row is not an object).
bool parseFile(const QByteArray& bytes, QVariantMap& values, std::shared_ptr<const PlayList>& list,
               QVariant& rawList, QString& problem, QString* shapeProblem = nullptr) {
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
            if (shapeProblem)
                *shapeProblem = QString("\"%1\" is not a list").arg(SettingsKeys::kPlayList);
            continue;
        }
        auto rows = std::make_shared<PlayList>();
        const QJsonArray array = it.value().toArray();
        rows->reserve(static_cast<std::size_t>(array.size()));
        int strays = 0;
        for (const QJsonValue& row : array) {
            if (row.isObject())
                rows->push_back(PlayListEntry::fromJson(row.toObject()));
            else
                ++strays;
        }
        if (strays > 0 && shapeProblem)
            *shapeProblem =
                QString("%1 of the play list's %2 rows are not rows").arg(strays).arg(array.size());
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
    StoreLock::shared(); // made first, so it outlives the shared store, whose last write asks it
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
    flush(kCloseTimeoutMs);
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
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        // Never write over a file that could not be read: it may hold everything the user has.
        m_readOnly = true;
        const QString reason = file.errorString();
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be read:" << reason
                             << "- it is left as it is and nothing is saved to it";
        StoreNotices::shared().report(
            kNoticeUnreadable,
            QCoreApplication::translate("SettingsStore",
                                        "The settings file %1 cannot be read (%2). It is left as it is; "
                                        "settings changed now are not saved.")
                .arg(m_filePath, reason),
            true);
        return;
    }
    file.close();
    QString problem;
    QString shapeProblem;
    if (parseFile(bytes, m_values, m_playList, m_playListRaw, problem, &shapeProblem)) {
        if (!shapeProblem.isEmpty())
            setAside(shapeProblem, true);
        return;
    }

    // Never delete a user's data: keep the unreadable file beside the new one and start empty.
    m_values.clear();
    m_playList.reset();
    m_playListRaw = QVariant();
    setAside(problem, false);
}

void SettingsStore::setAside(const QString& reason, bool keepOriginal) {
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString aside = m_filePath + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_filePath + ".unreadable-" + stamp + "-" + QString::number(n);
    const bool kept = keepOriginal ? QFile::copy(m_filePath, aside) : QFile::rename(m_filePath, aside);
    if (kept) {
        m_setAsidePath = aside;
    } else if (!keepOriginal) {
        m_readOnly = true; // it could not be moved out of the way: leave it, write nothing
    }
    qWarning().noquote() << "Settings file" << m_filePath
                         << (keepOriginal ? "could not be read in full (" : "could not be parsed (") +
                                reason + ");"
                         << (kept ? (keepOriginal ? "copied to " : "moved to ") + aside
                                  : QString("it could not be set aside"))
                         << (keepOriginal ? "and reading what it holds" : "and starting with empty settings");
    QString text;
    if (!kept)
        text = QCoreApplication::translate("SettingsStore",
                                           "The settings file %1 could not be read (%2) nor set aside. It is "
                                           "left as it is; settings changed now are not saved.")
                   .arg(m_filePath, reason);
    else if (keepOriginal)
        text = QCoreApplication::translate("SettingsStore",
                                           "Part of the settings file could not be read (%1). The file as it "
                                           "was is kept as %2.")
                   .arg(reason, aside);
    else
        text = QCoreApplication::translate("SettingsStore",
                                           "The settings file could not be read (%1). It is kept as %2 and "
                                           "the player starts with empty settings.")
                   .arg(reason, aside);
    StoreNotices::shared().report(kNoticeSetAside, text, !kept);
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
    if (m_readOnly) {
        StoreNotices::shared().setUnsaved(
            "settings", ++m_readOnlyChanges,
            QCoreApplication::translate("SettingsStore", "the settings file could not be read"));
        return;
    }
    {
        std::lock_guard syncLock(m_syncMutex);
        m_pending = Version{m_values, m_playList, m_playListRaw};
        ++m_writes;
    }
    m_syncWake.notify_one();
}

bool SettingsStore::writeVersion(const Version& version, QString& problem) const {
    if (!StoreLock::shared().mayWrite(&problem))
        return false; // another player may be writing the file
    const std::string text = fileText(version.values, version.playList, version.playListRaw);
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        problem = QString("the folder %1 cannot be created").arg(info.absolutePath());
        qWarning().noquote() << "Settings folder" << info.absolutePath() << "cannot be created";
        return false;
    }
    QByteArray temporary = QFile::encodeName(m_filePath + ".XXXXXX");
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        problem = QString::fromLocal8Bit(std::strerror(errno));
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be written:" << problem;
        return false;
    }
    ::fchmod(fd, 0600);
    bool ok = writeAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.constData(), QFile::encodeName(m_filePath).constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        problem = QString::fromLocal8Bit(std::strerror(error));
        qWarning().noquote() << "Settings file" << m_filePath << "cannot be written:" << problem;
        ::unlink(temporary.constData());
        return false;
    }
    fsyncPath(QFile::encodeName(info.absolutePath()), O_RDONLY | O_DIRECTORY);
    return true;
}

void SettingsStore::syncLoop() {
    std::unique_lock lock(m_syncMutex);
    for (;;) {
        m_syncWake.wait(lock, [this] { return m_stopping || m_pending.has_value(); });
        if (!m_pending)
            return; // stopping, with nothing left to write
        Version version = std::move(*m_pending);
        m_pending.reset();
        const quint64 target = m_writes;
        lock.unlock();
        QString problem;
        const bool written = writeVersion(version, problem);
        if (written) {
            StoreNotices::shared().clear(kNoticeWrite);
            StoreNotices::shared().setUnsaved("settings", 0);
        } else {
            StoreNotices::shared().report(
                kNoticeWrite,
                QCoreApplication::translate("SettingsStore", "Settings cannot be saved to %1 (%2). Retrying…")
                    .arg(m_filePath, problem),
                true);
            StoreNotices::shared().setUnsaved("settings", 1, problem);
        }
        lock.lock();
        if (written) {
            m_synced = target;
            m_syncDone.notify_all();
            continue;
        }
        // Tried again a little later, unless a newer version is already waiting to be written.
        if (!m_pending)
            m_pending = std::move(version);
        if (m_stopping)
            return;
        m_syncWake.wait_for(lock, kRetryInterval, [this] { return m_stopping; });
    }
}

bool SettingsStore::flush(int timeoutMs) {
    std::unique_lock lock(m_syncMutex);
    const auto done = [this] {
        return m_synced >= m_writes;
    };
    if (timeoutMs < 0) {
        m_syncDone.wait(lock, done);
        return !m_readOnly || m_readOnlyChanges == 0;
    }
    return m_syncDone.wait_for(lock, std::chrono::milliseconds(timeoutMs), done) &&
           (!m_readOnly || m_readOnlyChanges == 0);
}

QSettings::Format SettingsStore::jsonFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("json", readJsonSettings, writeJsonSettings);
    return format;
}
