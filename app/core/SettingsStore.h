#pragma once

#include "PlayListEntry.h"
#include "SettingsKeys.h"

#include <QMutex>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The persistent per-user settings: one JSON object in one file, whose members are the store's keys
// ($XDG_CONFIG_HOME/Kestrun/KestrunPlayer.json). Values keep their types across a restart: strings,
// booleans, numbers (read back as double), lists and string-keyed maps.
//
// The play list ("KEY_PLAY_LIST") is held as typed rows whose JSON text is made once per row, so storing a
// list of a thousand tracks costs a copy of text, not a conversion of every sample. Every change is written
// at once by a background writer, atomically (a temporary file renamed over the old one, then flushed to
// disk), so the file on disk is a complete version at every moment and a large play list never holds up the
// caller; changes made while a write runs are written together right after it. flush() waits for the file
// to hold every change so far (the application calls it when it quits).
//
// Thread-safe: readers and writers may run on any thread; writes are serialised.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The application's store at defaultFilePath(), opened on first use.
    static SettingsStore& shared();
    // Closes the shared store; the next shared() opens the file again (a restart, for tests).
    static void resetShared();
    static QString defaultFilePath();

    QString filePath() const { return m_filePath; }
    // Where an unreadable file was moved (or, when only part of it was unreadable, copied) when the store
    // opened, or an empty text.
    QString setAsidePath() const { return m_setAsidePath; }
    // True when the file exists but could not be read: it is left exactly as it is and nothing is written
    // to it in this run (changes stay in memory and are counted as unsaved).
    bool isReadOnly() const { return m_readOnly; }

    QVariant value(const QString& key) const; // invalid when absent
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QVariant& value); // an invalid value removes the key
    void remove(const QString& key);

    // Settings stored as short texts: the text ("" when absent), its integer reading (0 when absent or not
    // a number) and a real number (0 when absent).
    QString stringValue(const QString& key) const;
    int integerValue(const QString& key) const;
    float floatValue(const QString& key) const;

    // The play list, or null when "KEY_PLAY_LIST" is absent.
    std::shared_ptr<const PlayList> playList() const;
    void setPlayList(PlayList list);
    void removePlayList();

    // Waits until the file on disk holds every change made so far, at most timeoutMs (< 0: no limit).
    // False when changes are still not written (a write keeps failing, or the file is read-only).
    bool flush(int timeoutMs = -1);

    // A QSettings format that reads and writes the same JSON file, for tools and tests.
    static QSettings::Format jsonFormat();

private:
    void load();
    // What one write puts in the file.
    struct Version {
        QVariantMap values;
        std::shared_ptr<const PlayList> playList;
        QVariant playListRaw;
    };
    void writeFile(); // with m_mutex held: hands the current version to the writer
    bool writeVersion(const Version& version, QString& problem) const;
    void setAside(const QString& reason, bool keepOriginal);
    void syncLoop();

    const QString m_filePath;
    QString m_setAsidePath;
    bool m_readOnly = false;
    int m_readOnlyChanges = 0;
    mutable QMutex m_mutex;
    QVariantMap m_values; // every key but the play list
    std::shared_ptr<const PlayList> m_playList;
    QVariant m_playListRaw; // "KEY_PLAY_LIST" when it was not a list, kept as it was

    // The background writer.
    std::mutex m_syncMutex;
    std::condition_variable m_syncWake;
    std::condition_variable m_syncDone;
    std::optional<Version> m_pending; // the newest version not yet taken by the writer
    quint64 m_writes = 0;
    quint64 m_synced = 0;
    bool m_stopping = false;
    std::thread m_syncer;

    // Makes the loaded rows' JSON text in the background, so the first write after start-up does not.
    std::atomic<bool> m_stopWarming{false};
    std::thread m_warmer;
};
