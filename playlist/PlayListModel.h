#pragma once

#include "PlayListEntry.h"
#include "PlayListTrips.h"

#include <QAbstractListModel>
#include <QSet>

#include <vector>

// The play list's rows for the table: file name (the key's last component, unescaped), time, size
// ("%.1fM"), how much of a GPS track the file has, when it was recorded, and whether the row is the marked
// one.
class PlayListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        TimeRole,
        SizeRole,
        GpsRole,
        HasGpsRole,
        MarkedRole,
        SelectedRole,
        RecordTimeRole, // when the clip's records say it was recorded, in local time; absent when unknown
        EventCountRole, // the clip's driving events (0 without a track)
        // On the first row of a trip (see PlayListTrips): the trip's heading ("Trip · 3 clips · 9:00 ·
        // 4.2 km"), and whether its other rows are folded away. Absent on every other row.
        TripHeaderRole,
        TripCollapsedRole
    };

    using QAbstractListModel::QAbstractListModel;

    void setPlayList(PlayList list, qint64 markedRow);
    // The rows the user selected (for export and removal), shown highlighted.
    void setSelectedRows(const QList<int>& rows);
    const PlayList& playList() const { return m_list; }
    // The trips of the list, in row order.
    const std::vector<PlayListTrips::Trip>& trips() const { return m_trips; }
    // Folds the trip that starts at `firstRow` away under its heading, or unfolds it; a fold follows the
    // trip's first clip when the list changes.
    void toggleTrip(int firstRow);
    // Whether a row is folded away (a row of a folded trip other than its first).
    bool isFolded(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static QString fileName(const QString& key);
    static QString sizeText(float megabytes);
    // "180 s GPS" for a file with a track, "no fix" for a track without a single position, "no GPS"
    // without a track.
    static QString gpsText(const PlayListEntry& entry);
    // "2025-06-01 10:15:02" (local time) for "2025-06-01T08:15:02Z"; empty when it is not such a time.
    static QString recordTimeText(const QString& isoUtc);
    // "Trip · 3 clips · 9:00 · 4.2 km" in the unit of `speedType` (km or mi).
    static QString tripHeaderText(const PlayListTrips::Trip& trip, int speedType);

private:
    PlayList m_list;
    qint64 m_marked = -1;
    QList<int> m_selected;
    std::vector<PlayListTrips::Trip> m_trips;
    QSet<QString> m_folded; // the first clips' keys of the folded trips
};
