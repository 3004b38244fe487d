#pragma once

#include "PlayListEntry.h"

#include <QAbstractListModel>

// The play list's rows for the table: file name (the key's last component, unescaped), time, size
// ("%.1fM"), how much of a GPS track the file has, and whether the row is the marked one.
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
        SelectedRole
    };

    using QAbstractListModel::QAbstractListModel;

    void setPlayList(PlayList list, qint64 markedRow);
    // The rows the user selected (for export and removal), shown highlighted.
    void setSelectedRows(const QList<int>& rows);
    const PlayList& playList() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static QString fileName(const QString& key);
    static QString sizeText(float megabytes);
    // "180 s GPS" for a file with a track, "no GPS" without.
    static QString gpsText(const PlayListEntry& entry);

private:
    PlayList m_list;
    qint64 m_marked = -1;
    QList<int> m_selected;
};
